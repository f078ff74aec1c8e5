// ".prst" presets: the round trip through the writer, the tagged reader's rules and the
// vkprst tool.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "files/byte_buffer.h"
#include "files/byte_reader.h"
#include "particles/part_sys_impl_rnd.h"
#include "particles/prst_format.h"
#include "preset_text.h"
#include "support/temp_folder.h"

namespace {
using Rnd = vK_PartSysImpl_Rnd;

// Every field that a preset carries, in one emitter and its linked child.
const char* const kPreset = R"(<ps type="rnd" name="full" ver="1.3" free="1">
  <emit name="main" level="0" frame_index="2" res="spark" lifetime="1.5" preprocess_time="0.25"
        playing="1" loop="1" pos_mode="0" blendmode="2">
    <delta pos="1" scope="2" speed="3" acceleration="4" scale="0.5" emitter_speed="6" emitter_acceleration="7"/>
    <pos_x delta="0.1" loop="1"><p t="0" v="1" mf_v="2" mf_t="0.3" mb_v="4" mb_t="0.5"/><p t="1" v="9"/></pos_x>
    <part_count delta="2"><p t="0" v="20"/></part_count>
    <part_lifetime delta="0.2"><p t="0" v="0.7"/></part_lifetime>
    <mask res="assets/images/shape" angle="0.5" scale_x="2" scale_y="3" frame_index="1" blendmode="4"/>
    <particles>
      <speed_x delta="5"><p t="0" v="100"/><p t="0.5" v="50"/><p t="1" v="0"/></speed_x>
      <color_b delta="0.25"><p t="0" v="0.125"/></color_b>
      <emit_link name="child" fraction="0.5" start_time="0.25" period_time="0.75" startup_mode="1"/>
    </particles>
  </emit>
  <emit name="child" level="1" res="spark" lifetime="0.5" playing="1" pos_mode="1">
    <part_count><p t="0" v="3"/></part_count>
  </emit>
</ps>)";

std::unique_ptr<Rnd> FromXml(const std::string& xml) {
    auto rnd = std::make_unique<Rnd>(true);
    EXPECT_TRUE(LoadPresetText(*rnd, xml));
    return rnd;
}

std::unique_ptr<Rnd> FromBinary(const std::vector<uint8_t>& bytes, size_t* stopped = nullptr) {
    auto buffer = std::make_unique<vK_ByteBuffer>();
    vK_ByteBuffer* raw = buffer.get();
    buffer->Assign(bytes);
    vK_ByteReader reader(std::move(buffer));
    std::string kind;
    auto rnd = std::make_unique<Rnd>(true);
    const bool ok = reader.ReadOptionalString(kind) && kind == "rnd" && rnd->LoadBinary(reader);
    if (stopped) *stopped = raw->Position();
    return ok ? std::move(rnd) : nullptr;
}

void ExpectSamePreset(const Rnd& a, const Rnd& b) {
    EXPECT_EQ(a.GetName(), b.GetName());
    EXPECT_EQ(a.GetVersion(), b.GetVersion());
    EXPECT_EQ(a.IsFree(), b.IsFree());
    ASSERT_EQ(a.GetTemplates().size(), b.GetTemplates().size());
    for (size_t i = 0; i < a.GetTemplates().size(); ++i) {
        const Rnd::SEmitter& x = *a.GetTemplates()[i];
        const Rnd::SEmitter& y = *b.GetTemplates()[i];
        EXPECT_EQ(x.level, y.level);
        EXPECT_EQ(x.frame_index, y.frame_index);
        EXPECT_EQ(x.texture_name, y.texture_name);
        EXPECT_EQ(x.lifetime, y.lifetime);
        EXPECT_EQ(x.preprocess_time, y.preprocess_time);
        EXPECT_EQ(x.playing, y.playing);
        EXPECT_EQ(x.loop, y.loop);
        EXPECT_EQ(x.pos_mode, y.pos_mode);
        EXPECT_EQ(x.blend, y.blend);
        for (int g = 0; g < Rnd::kGroupCount; ++g) EXPECT_EQ(x.group_delta[g], y.group_delta[g]);
        for (int c = 0; c < Rnd::kCurveCount; ++c) {
            const Rnd::SParam& p = x.curves[c];
            const Rnd::SParam& q = y.curves[c];
            EXPECT_EQ(p.delta, q.delta) << Rnd::kCurveNames[c];
            EXPECT_EQ(p.loop, q.loop) << Rnd::kCurveNames[c];
            ASSERT_EQ(p.points.size(), q.points.size()) << Rnd::kCurveNames[c];
            for (size_t k = 0; k < p.points.size(); ++k) {
                EXPECT_EQ(p.points[k].t, q.points[k].t);
                EXPECT_EQ(p.points[k].v, q.points[k].v);
                EXPECT_EQ(p.points[k].mf_v, q.points[k].mf_v);
                EXPECT_EQ(p.points[k].mf_t, q.points[k].mf_t);
                EXPECT_EQ(p.points[k].mb_v, q.points[k].mb_v);
                EXPECT_EQ(p.points[k].mb_t, q.points[k].mb_t);
            }
        }
        ASSERT_EQ(x.links.size(), y.links.size());
        for (size_t k = 0; k < x.links.size(); ++k) {
            EXPECT_EQ(x.links[k].fraction, y.links[k].fraction);
            EXPECT_EQ(x.links[k].start_time, y.links[k].start_time);
            EXPECT_EQ(x.links[k].period, y.links[k].period);
            EXPECT_EQ(x.links[k].startup_mode, y.links[k].startup_mode);
            // The same template, whether found by name or by id.
            const Rnd::SEmitter* tx = a.FindLinkTarget(x.links[k]);
            const Rnd::SEmitter* ty = b.FindLinkTarget(y.links[k]);
            ASSERT_TRUE(tx && ty);
            EXPECT_EQ(tx->lifetime, ty->lifetime);
        }
        EXPECT_EQ(x.mask.present, y.mask.present);
        EXPECT_EQ(x.mask.texture_name, y.mask.texture_name);
        EXPECT_EQ(x.mask.angle, y.mask.angle);
        EXPECT_EQ(x.mask.scale_x, y.mask.scale_x);
        EXPECT_EQ(x.mask.scale_y, y.mask.scale_y);
        EXPECT_EQ(x.mask.frame_index, y.mask.frame_index);
        EXPECT_EQ(x.mask.blend, y.mask.blend);
    }
}
}  // namespace

TEST(Prst, XmlToBinaryToXmlKeepsThePreset) {
    auto original = FromXml(kPreset);
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(WritePrst(*original, bytes, error)) << error;
    auto binary = FromBinary(bytes);
    ASSERT_TRUE(binary);
    ExpectSamePreset(*original, *binary);
    auto dumped = FromXml(WritePresetXml(*binary));
    ExpectSamePreset(*original, *dumped);
    // And the dump writes the same binary again.
    std::vector<uint8_t> again;
    ASSERT_TRUE(WritePrst(*dumped, again, error));
    EXPECT_EQ(again, bytes);
}

TEST(Prst, WriterStoresTheseBytes) {
    auto preset = FromXml(R"(<ps type="rnd" name="a" ver="1.0"><emit res="s" lifetime="1" playing="1">
        <pos_x delta="0.5"><p t="0" v="2"/></pos_x></emit></ps>)");
    const std::vector<std::vector<uint8_t>> parts = {
        {1, 1, 3, 'r', 'n', 'd'},                 // head
        {1, 1, 'a', 3, 3, '1', '.', '0'},         // name, version
        {5, 1, 1, 0, 1, 1, 0, 2, 1, 's', 0, 0},   // resource group: texture 1 is "s"
        {6, 1, 0},                                // one emitter
        {1, 0, 0, 2, 0, 3, 0, 4, 1, 0, 5, 0, 0},  // id, position mode, level, texture, frame
        {6, 0, 0, 0x80, 0x3F, 7, 1, 8, 0},        // lifetime 1, playing, no loop
        {9, 0, 0, 0, 0, 10, 0},                   // warm-up, blend
        {31, 1, 0, 0, 0, 0x3F, 3, 1, 0},          // pos_x: spread 0.5, one point
        {1, 0, 0, 0, 0, 2, 0, 0, 0, 0x40},        // t 0, v 2
        {3, 1, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0},     // forward handle
        {4, 1, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0},     // backward handle
        {0, 0, 0, 0}};                            // point, curve, emitter, preset
    std::vector<uint8_t> expected;
    for (const auto& part : parts) expected.insert(expected.end(), part.begin(), part.end());
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(WritePrst(*preset, bytes, error)) << error;
    EXPECT_EQ(bytes, expected);
}

TEST(Prst, TaggedReaderRules) {
    const std::vector<uint8_t> head = {1, 1, 3, 'r', 'n', 'd'};
    auto with = [&](std::vector<uint8_t> body) {
        std::vector<uint8_t> bytes = head;
        bytes.insert(bytes.end(), body.begin(), body.end());
        return bytes;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> body;
        bool ok;
    } cases[] = {
        {"only the closing byte", {0}, true},
        {"nothing after the kind", {}, true},
        {"a name without the closing byte", {1, 2, 'a', 'b'}, true},
        {"an unknown id", {2, 0}, false},
        {"a string of length 0", {1, 0, 0}, false},
        {"a string past the end", {1, 9, 'a'}, false},
        {"one empty emitter", {6, 1, 0, 0, 0}, true},
        {"an emitter count past the data", {6, 0xFF, 0xFF, 0}, false},
        {"an emitter with an unknown id", {6, 1, 0, 99, 0}, false},
        {"a float cut short", {6, 1, 0, 6, 0, 0}, false},
    };
    for (const Case& c : cases) {
        auto rnd = FromBinary(with(c.body));
        EXPECT_EQ(rnd != nullptr, c.ok) << c.what;
    }
    // Defaults of an empty emitter, and a repeated scalar overwrites.
    auto rnd = FromBinary(with({6, 1, 0, 6, 0, 0, 0x80, 0x3F, 6, 0, 0, 0, 0x40, 0}));
    ASSERT_TRUE(rnd);
    const Rnd::SEmitter& e = *rnd->GetTemplates()[0];
    EXPECT_EQ(e.lifetime, 2.0f);
    EXPECT_EQ(e.id, 0xFFFF);
    EXPECT_FALSE(e.playing);
    EXPECT_FALSE(FromBinary({0, 1, 3, 'r', 'n', 'd', 0}));  // context byte 0
}

TEST(Prst, ToolConvertsAndReportsBadInput) {
    const std::string tool = std::string(VRAKKO_BINARY_DIR) + "/vkprst";
    if (!std::filesystem::exists(tool)) GTEST_SKIP() << "vkprst is not built";
    TempFolder folder;
    folder.WriteFile("in.xml", kPreset);
    folder.WriteFile("bad.xml", "<ps type=\"rnd\"><emit></ps>");
    folder.WriteFile("jan.xml", "<ps type=\"jan\"><emit/></ps>");
    const std::string dir = folder.Path() + "/";
    auto run = [&](const std::string& args) {
        return std::system((tool + " -q " + args + " 2>" + dir + "err.txt").c_str());
    };
    auto err = [&]() {
        std::ifstream in(dir + "err.txt");
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    EXPECT_EQ(std::system((tool + " --help >/dev/null").c_str()), 0);
    ASSERT_EQ(run(dir + "in.xml " + dir + "out.prst"), 0);
    ASSERT_EQ(run(dir + "out.prst " + dir + "back.xml"), 0);
    std::ifstream in(dir + "back.xml");
    auto back = FromXml(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    ExpectSamePreset(*FromXml(kPreset), *back);
    EXPECT_NE(run(dir + "bad.xml " + dir + "x.prst"), 0);
    EXPECT_NE(err().find("bad.xml:1:"), std::string::npos) << err();
    EXPECT_NE(run(dir + "jan.xml " + dir + "x.prst"), 0);
    EXPECT_NE(err().find("only \"rnd\""), std::string::npos) << err();
    // A truncated binary names the offset where reading stopped.
    std::ifstream whole(dir + "out.prst", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(whole)), std::istreambuf_iterator<char>());
    folder.WriteFile("cut.prst", bytes.substr(0, 40));
    EXPECT_NE(run(dir + "cut.prst " + dir + "x.xml"), 0);
    EXPECT_NE(err().find("byte offset"), std::string::npos) << err();
    EXPECT_NE(run(dir + "only_one_argument.xml"), 0);
}

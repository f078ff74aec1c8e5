#include "anim/serializable_object.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "files/byte_buffer.h"
#include "files/byte_reader.h"

namespace {

struct Leaf : vK_SerializableObjectImpl<Leaf> {
    int value = 0;
    int context = -1;
    std::unique_ptr<Leaf> next;
    static void DescribeFields(vK_FieldTable& t) {
        t[1] = vK_Field::Value(1, &Leaf::value);
        t[2] = vK_Field::Pointer<Leaf, Leaf>(&Leaf::next, [](Leaf&) { return std::make_unique<Leaf>(); });
    }
    const char* TypeName() const override { return "Leaf"; }
};

// One member per wire type; the int16 member starts at -1 so that a two-byte store
// into its low bytes would show.
struct Sample : vK_SerializableObjectImpl<Sample> {
    int u8 = 0, i8 = 0, i16 = -1, u16 = 0;
    int64_t i32 = 0, u32 = 0;
    float f = 0, converted = 0;
    std::string s;
    std::vector<float> floats{9.0f};
    std::unique_ptr<std::vector<int>> ints;
    std::unique_ptr<std::string> text;
    std::map<std::string, int> map{{"old", 1}};
    Leaf embedded;
    std::unique_ptr<Leaf> pointer;
    std::vector<std::unique_ptr<Leaf>> leaves;
    std::vector<int> elementContexts;
    static void DescribeFields(vK_FieldTable& t) {
        using vK_Field::Value;
        t[1] = Value(1, &Sample::u8);
        t[2] = Value(2, &Sample::i8);
        t[3] = Value(3, &Sample::i16);
        t[4] = Value(4, &Sample::u16);
        t[5] = Value(5, &Sample::i32);
        t[6] = Value(6, &Sample::u32);
        t[7] = Value(7, &Sample::f);
        t[8] = Value(8, &Sample::s);
        t[9] = vK_Field::Array(10, 7, &Sample::floats);
        t[10] = vK_Field::ArrayPtr(22, 5, &Sample::ints);
        t[11] = vK_Field::StringPtr(&Sample::text);
        t[12] = vK_Field::Map(31, 8, 1, &Sample::map);
        t[13] = vK_Field::Embedded(&Sample::embedded);
        t[14] = vK_Field::Pointer<Sample, Leaf>(&Sample::pointer,
                                                [](Sample&) { return std::make_unique<Leaf>(); });
        t[15] = vK_Field::Objects<Sample>(12, [](Sample& s) -> vK_SerializableObject* {
            s.leaves.push_back(std::make_unique<Leaf>());
            return s.leaves.back().get();
        });
        t[16] = Value(1, &Sample::converted, [](vK_SerializableObject&, float v) { return v / 255.0f; });
        t[17] = vK_Field::Array(11, 1, &Sample::floats);
    }
    const char* TypeName() const override { return "Sample"; }
};

bool Read(const std::vector<uint8_t>& bytes, vK_SerializableObject& o, size_t* position = nullptr) {
    vK_ByteBuffer buffer;
    buffer.Assign(bytes);
    vK_ByteReader reader(&buffer, 1);
    const bool ok = ReadObject(reader, o);
    if (position) *position = buffer.Position();
    return ok;
}

std::vector<uint8_t> FloatBytes(float f) {
    uint8_t b[4];
    std::memcpy(b, &f, 4);
    return {b[0], b[1], b[2], b[3]};
}

TEST(SerializableReader, EveryScalarWireTypeStoresByValue) {
    std::vector<uint8_t> bytes = {1,    200, 2,    0xFE, 3,    7,    0, 4, 0xFF, 0xFF, 5,   0xFE, 0xFF, 0xFF,
                                  0xFF, 6,   0xFF, 0xFF, 0xFF, 0xFF, 8, 3, 'a',  'b',  'c', 16,   128,  7};
    const std::vector<uint8_t> f = FloatBytes(2.5f);
    bytes.insert(bytes.end(), f.begin(), f.end());
    bytes.push_back(0);
    Sample s;
    ASSERT_TRUE(Read(bytes, s));
    EXPECT_EQ(s.u8, 200);
    EXPECT_EQ(s.i8, -2);
    EXPECT_EQ(s.i16, 7);  // not 0xFFFF0007: the value is converted, not copied bytewise
    EXPECT_EQ(s.u16, 65535);
    EXPECT_EQ(s.i32, -2);
    EXPECT_EQ(s.u32, 4294967295LL);
    EXPECT_FLOAT_EQ(s.f, 2.5f);
    EXPECT_EQ(s.s, "abc");
    EXPECT_NEAR(s.converted, 0.50196f, 1e-5f);
}

TEST(SerializableReader, ContainersFollowTheirHoldingRules) {
    Sample s;
    // Float array of wire type 10 (count 2, uint16), twice: replaced, not appended.
    std::vector<uint8_t> bytes = {9, 3, 0};
    for (float v : {1.0f, 2.0f, 3.0f}) {
        const auto b = FloatBytes(v);
        bytes.insert(bytes.end(), b.begin(), b.end());
    }
    bytes.insert(bytes.end(), {9, 1, 0});
    const auto four = FloatBytes(4.0f);
    bytes.insert(bytes.end(), four.begin(), four.end());
    // Int array by pointer, twice: appended.
    bytes.insert(bytes.end(), {10, 1, 5, 0, 0, 0, 10, 1, 6, 0, 0, 0});
    // String pointer, map (emptied first), embedded, pointer and two array elements.
    bytes.insert(bytes.end(), {11, 2, 'h', 'i', 12, 1, 1, 'k', 9, 13, 1, 4, 0, 14, 1, 8, 0});
    bytes.insert(bytes.end(), {15, 2, 1, 1, 0, 1, 2, 0, 0});
    Sample t;
    ASSERT_TRUE(Read(bytes, t));
    EXPECT_EQ(t.floats, std::vector<float>{4.0f});
    ASSERT_TRUE(t.ints);
    EXPECT_EQ(*t.ints, (std::vector<int>{5, 6}));
    ASSERT_TRUE(t.text);
    EXPECT_EQ(*t.text, "hi");
    EXPECT_EQ(t.map, (std::map<std::string, int>{{"k", 9}}));
    EXPECT_EQ(t.embedded.value, 4);
    ASSERT_TRUE(t.pointer);
    EXPECT_EQ(t.pointer->value, 8);
    ASSERT_EQ(t.leaves.size(), 2u);
    EXPECT_EQ(t.leaves[0]->value, 1);
    EXPECT_EQ(t.leaves[1]->value, 2);
    // A plain float array of wire type 10 with count 3 takes 1 + 2 + 12 bytes.
    size_t position = 0;
    ASSERT_TRUE(Read({9, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, s, &position));
    EXPECT_EQ(position, 16u);
}

TEST(SerializableReader, BadAndTruncatedStreamsFail) {
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        bool ok;
    } cases[] = {
        {"only the end byte", {0}, true},
        {"empty data ends the object", {}, true},
        {"no closing zero after a value", {1, 5}, true},
        {"unknown field id", {1, 5, 99, 1, 0}, false},
        {"truncated uint16", {4, 1}, false},
        {"truncated float", {7, 0, 0}, false},
        {"string of length 0", {8, 0, 0}, false},
        {"string longer than the data", {8, 5, 'a'}, false},
        {"array shorter than its count", {9, 2, 0, 0, 0, 0, 0}, false},
        {"huge plain count without data", {17, 0xFF, 0xFF, 0xFF, 0x7F}, false},
        {"huge object count without data", {15, 0xFF}, false},
        {"map value missing", {12, 1, 1, 'k'}, false},
        {"element with an unknown id", {15, 1, 7, 0}, false},
        {"pointer object cut short", {14, 1}, false},
    };
    for (const auto& c : cases) {
        Sample s;
        EXPECT_EQ(Read(c.bytes, s), c.ok) << c.what;
    }
}

TEST(SerializableReader, DefaultsStayForAbsentFieldsAndPointerArraysAreReleasedOnFailure) {
    Sample s;
    ASSERT_TRUE(Read({0}, s));
    EXPECT_EQ(s.i16, -1);
    EXPECT_EQ(s.floats, std::vector<float>{9.0f});
    EXPECT_EQ(s.map.count("old"), 1u);
    Sample t;
    EXPECT_FALSE(Read({10, 2, 5, 0, 0, 0}, t));
    EXPECT_FALSE(t.ints);
}

TEST(SerializableReader, NestingDeeperThanTheCapFails) {
    const auto chain = [](int depth) {
        std::vector<uint8_t> bytes;
        for (int i = 0; i < depth; ++i) bytes.push_back(2);
        bytes.push_back(0);
        return bytes;
    };
    Leaf shallow;
    EXPECT_TRUE(Read(chain(vK_TaggedReader::kMaxDepth - 1), shallow));
    Leaf deep;
    EXPECT_FALSE(Read(chain(100000), deep));
}

TEST(SerializableReader, ContentKindNeedsContextAndMarker) {
    const struct {
        std::vector<uint8_t> bytes;
        bool ok;
    } cases[] = {{{1, 1, 3, 'a', 'n', 'm'}, true},
                 {{0, 1, 3, 'a', 'n', 'm'}, false},
                 {{1, 0, 3, 'a'}, false},
                 {{1}, false}};
    for (const auto& c : cases) {
        vK_ByteBuffer buffer;
        buffer.Assign(c.bytes);
        vK_ByteReader reader(&buffer);
        std::string kind;
        EXPECT_EQ(ReadContentKind(reader, kind), c.ok);
        if (c.ok) {
            EXPECT_EQ(kind, "anm");
        }
    }
}

}  // namespace

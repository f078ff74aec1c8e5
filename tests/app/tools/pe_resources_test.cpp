// The executable's resources as Windows tools see them: icoutils' wrestool lists and
// extracts the icon group and the version information written into real 64-bit Windows
// programs (Wine's own, built by Debian, and the Windows build of the engine when there
// is one), icotool reads the icon entries back; writing again replaces what the first
// write added; a damaged or foreign executable is refused with a reason.
#include "app/tools/pe_resources.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "graphics/image.h"
#include "graphics/image_codec.h"
#include "support/frame_compare.h"
#include "support/temp_folder.h"

namespace {

const std::string kWineExe = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/notepad.exe";
const std::string kWindowsBuildExe = std::string(VRAKKO_SOURCE_DIR) + "/build/windows/vrakko.exe";

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A 64 x 40 opaque red picture: made square for the icon, it keeps its proportions.
std::vector<uint8_t> RedPicture() {
    std::vector<uint8_t> pixels;
    for (int i = 0; i < 64 * 40; ++i) pixels.insert(pixels.end(), {0, 0, 255, 255});
    std::vector<uint8_t> png;
    EncodePng(pixels.data(), 64, 40, png);
    return png;
}

vK_PeResources GameResources() {
    vK_PeResources resources;
    std::string warning;
    resources.icons = MakeIconSet(RedPicture(), {}, warning);
    resources.title = "Zoë's Clock Attic";
    resources.fileName = "Zoes-Clock-Attic.exe";
    resources.internalName = "Zoes-Clock-Attic";
    resources.company = "Tick Tock Games";
    return resources;
}

TEST(PeResources, WrestoolReadsTheIconAndTheVersionOfRealExecutables) {
    if (Shell("command -v wrestool >/dev/null && command -v icotool >/dev/null") != 0)
        GTEST_SKIP() << "icoutils is not installed";
    int tested = 0;
    for (const std::string& input : {kWineExe, kWindowsBuildExe}) {
        if (!std::filesystem::exists(input)) continue;
        ++tested;
        SCOPED_TRACE(input);
        TempFolder folder;
        std::vector<uint8_t> out, again;
        std::string error;
        ASSERT_EQ(Shell("cp '" + input + "' '" + folder.Path() + "/in.exe'"), 0);
        const std::string bytes = folder.ReadFile("in.exe");
        ASSERT_TRUE(WritePeResources(Bytes(bytes), GameResources(), out, error)) << error;
        // Written again, the new resources replace the ones written before.
        ASSERT_TRUE(WritePeResources(out, GameResources(), again, error)) << error;
        EXPECT_TRUE(out == again);
        folder.WriteFile("game.exe", Text(out));
        const std::string p = folder.Path() + "/";
        ASSERT_EQ(Shell("wrestool -l '" + p + "game.exe' >'" + p + "list.txt' 2>&1"), 0)
            << folder.ReadFile("list.txt");
        const std::string list = folder.ReadFile("list.txt");
        for (const char* entry : {"--type=3 --name=1 --language=1033", "--type=3 --name=4 --language=1033",
                                  "--type=14 --name=1 --language=1033", "--type=16 --name=1 --language=1033"})
            EXPECT_NE(list.find(entry), std::string::npos) << entry << "\n" << list;
        EXPECT_EQ(list.find("--type=3 --name=5 --language=1033"), std::string::npos) << list;

        ASSERT_EQ(
            Shell("wrestool -x --type=14 -o '" + p + "icon.ico' '" + p + "game.exe' && icotool -l '" + p +
                  "icon.ico' >'" + p + "icons.txt' && cd '" + p + "' && mkdir x && icotool -x icon.ico -o x"),
            0);
        EXPECT_EQ(folder.ReadFile("icons.txt"),
                  "--icon --index=1 --width=256 --height=256 --bit-depth=32 --palette-size=0\n"
                  "--icon --index=2 --width=48 --height=48 --bit-depth=32 --palette-size=0\n"
                  "--icon --index=3 --width=32 --height=32 --bit-depth=32 --palette-size=0\n"
                  "--icon --index=4 --width=16 --height=16 --bit-depth=32 --palette-size=0\n");
        // 64 x 40 in 16 x 16: 10 rows of red, 3 clear rows above and below.
        vK_Image small;
        ASSERT_TRUE(LoadPngFile(p + "x/icon_4_16x16x32.png", small));
        ASSERT_EQ(small.width, 16);
        const std::pair<int, uint32_t> rows[] = {
            {0, 0}, {2, 0}, {3, 0xFFFF0000u}, {8, 0xFFFF0000u}, {12, 0xFFFF0000u}, {13, 0}, {15, 0}};
        for (const auto& [row, argb] : rows) {
            const uint8_t* px = &small.pixels[(row * 16 + 7) * 4];
            const uint32_t alpha = px[3];
            EXPECT_EQ(alpha == 0 ? 0u : (alpha << 24 | px[2] << 16 | px[1] << 8 | px[0]), argb)
                << "row " << row;
        }

        ASSERT_EQ(Shell("wrestool -x --raw --type=16 '" + p +
                        "game.exe' | iconv -f UTF-16LE -t UTF-8 | tr -s '\\000' '|'"
                        " >'" +
                        p + "version.txt'"),
                  0);
        const std::string version = folder.ReadFile("version.txt");
        for (const char* field : {"FileDescription|Zoë's Clock Attic|", "ProductName|Zoë's Clock Attic|",
                                  "CompanyName|Tick Tock Games|", "OriginalFilename|Zoes-Clock-Attic.exe|",
                                  "FileVersion|1.0.0.0|", "StringFileInfo", "Translation"})
            EXPECT_NE(version.find(field), std::string::npos) << field << "\n" << version;
    }
    if (tested == 0) GTEST_SKIP() << "no 64-bit Windows executable here (Wine, or make windows)";
}

// Stores value little-endian in count bytes at at.
void SetLe(std::vector<uint8_t>& bytes, size_t at, uint32_t value, int count) {
    for (int i = 0; i < count; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}
void Set16(std::vector<uint8_t>& bytes, size_t at, uint32_t value) { SetLe(bytes, at, value, 2); }
void Set32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) { SetLe(bytes, at, value, 4); }

// Each damage to a real executable is refused with its reason, and nothing is written.
TEST(PeResources, RefusesWhatIsNotAWritableWindowsExecutable) {
    if (!std::filesystem::exists(kWineExe)) GTEST_SKIP() << "Wine's programs are not installed";
    TempFolder folder;
    ASSERT_EQ(Shell("cp '" + kWineExe + "' '" + folder.Path() + "/in.exe'"), 0);
    const std::vector<uint8_t> real = Bytes(folder.ReadFile("in.exe"));
    const size_t pe = real[0x3C] | real[0x3D] << 8;
    const size_t optional = pe + 24;
    using Damage = void (*)(std::vector<uint8_t>&, size_t, size_t);
    const struct {
        const char* what;
        Damage damage;
        const char* reason;
    } cases[] = {
        {"empty", [](std::vector<uint8_t>& b, size_t, size_t) { b.clear(); }, "no MZ header"},
        {"a text file", [](std::vector<uint8_t>& b, size_t, size_t) { b.assign(200, 'x'); }, "no MZ header"},
        {"header offset past the end",
         [](std::vector<uint8_t>& b, size_t, size_t) { Set32(b, 0x3C, 0xFFFFFFF0u); }, "no PE header"},
        {"cut after the headers", [](std::vector<uint8_t>& b, size_t, size_t) { b.resize(4096); },
         "lies beyond its end"},
        {"32-bit", [](std::vector<uint8_t>& b, size_t, size_t o) { Set16(b, o, 0x10B); }, "64-bit"},
        {"another machine", [](std::vector<uint8_t>& b, size_t p, size_t) { Set16(b, p + 4, 0x14C); },
         "64-bit"},
        {"signed", [](std::vector<uint8_t>& b, size_t, size_t o) { Set32(b, o + 112 + 36, 2048); }, "signed"},
        {"65535 sections", [](std::vector<uint8_t>& b, size_t p, size_t) { Set16(b, p + 6, 0xFFFF); },
         "section table lies beyond"},
        {"file alignment 3", [](std::vector<uint8_t>& b, size_t, size_t o) { Set32(b, o + 36, 3); },
         "alignments"},
        {"headers full",
         [](std::vector<uint8_t>& b, size_t p, size_t o) {
             const size_t table = o + (b[p + 20] | b[p + 21] << 8);
             Set32(b, o + 60, static_cast<uint32_t>(table + 40 * (b[p + 6] | b[p + 7] << 8)));
         },
         "no room for another section"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes = real;
        c.damage(bytes, pe, optional);
        std::vector<uint8_t> out;
        std::string error;
        EXPECT_FALSE(WritePeResources(bytes, GameResources(), out, error)) << c.what;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
        EXPECT_TRUE(out.empty()) << c.what;
    }
}

}  // namespace

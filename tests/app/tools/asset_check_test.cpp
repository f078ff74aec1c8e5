// Runs `vrakko --check` on the built demo (clean) and on a copy of it with one fault of
// each kind planted: every fault is reported once, with its file and line.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/tools/author_tools.h"
#include "graphics/font_scrambler.h"
#include "support/temp_folder.h"

namespace {

const std::string kExe = std::string(VRAKKO_BINARY_DIR) + "/vrakko";
const std::string kDemo = std::string(VRAKKO_BINARY_DIR) + "/demo";

struct CheckRun {
    int status = -1;
    std::vector<std::string> lines;  // stdout
    std::string summary;             // stderr
};

CheckRun Check(const std::string& root, const std::string& extra, const TempFolder& folder) {
    const std::string command = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy '" + kExe + "' --check " +
                                extra + " --root '" + root + "' >'" + folder.Path() + "/out.txt' 2>'" +
                                folder.Path() + "/err.txt'";
    CheckRun run;
    const int status = std::system(command.c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream out(folder.ReadFile("out.txt"));
    for (std::string line; std::getline(out, line);) run.lines.push_back(line);
    run.summary = folder.ReadFile("err.txt");
    return run;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Bytes no decoder takes, the same in every run.
std::string RandomBytes(size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

// A grey (one-component) JPEG, which the engine's decoder refuses.
std::string GreyJpeg() {
    jpeg_compress_struct c{};
    jpeg_error_mgr error{};
    c.err = jpeg_std_error(&error);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = 8;
    c.image_height = 8;
    c.input_components = 1;
    c.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    jpeg_start_compress(&c, TRUE);
    unsigned char row[8] = {0, 32, 64, 96, 128, 160, 192, 224};
    JSAMPROW rows[1] = {row};
    while (c.next_scanline < c.image_height) jpeg_write_scanlines(&c, rows, 1);
    jpeg_finish_compress(&c);
    std::string bytes(reinterpret_cast<char*>(buffer), size);
    jpeg_destroy_compress(&c);
    std::free(buffer);
    return bytes;
}

class AssetCheck : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kExe) || !std::filesystem::exists(kDemo + "/assets/modules/start.xml"))
            GTEST_SKIP() << "the executable or the demo assets are not built";
    }
    TempFolder folder;
};

TEST_F(AssetCheck, TheDemoIsClean) {
    for (const char* mode : {"", "--json"}) {
        const CheckRun run = Check(kDemo, mode, folder);
        EXPECT_EQ(run.status, 0) << mode;
        EXPECT_TRUE(run.lines.empty()) << run.lines.front();
        EXPECT_NE(run.summary.find("0 errors, 0 warnings"), std::string::npos) << run.summary;
    }
}

TEST_F(AssetCheck, EveryPlantedFaultIsReportedOnceWithItsFile) {
    const std::string root = folder.Path() + "/game";
    std::filesystem::create_directories(root);
    std::filesystem::copy(kDemo + "/assets", root + "/assets", std::filesystem::copy_options::recursive);
    // One module holding object-level faults, one a line, and code that plays a sound
    // that is not there.
    folder.WriteFile("game/assets/modules/faults.xml",
                     "<module name=\"faults\">\n"
                     "<objs><obj name=\"faults_root\">\n"
                     "  <sparkler name=\"unknown_kind\"/>\n"
                     "  <spr name=\"ghost\" res=\"assets/images/not_drawn\"/>\n"
                     "  <text name=\"label\" res=\"assets/fonts/sans\" text=\"no_such_text\"/>\n"
                     "  <timer name=\"tick\" time=\"1\" endtrig=\"faults.Missing()\"/>\n"
                     "  <spr name=\"known\" res=\"assets/images/title\" event_mdown=\"faults.Known()\"/>\n"
                     "</obj></objs>\n"
                     "</module>\n");
    folder.WriteFile("game/assets/modules/faults.lua",
                     "function public.Known()\n"
                     "    -- SndPlay(\"assets/sounds/commented_out\") is no call\n"
                     "    SndPlay(\"assets/sounds/silence\", \"sfx\", false, false)\n"
                     "end\n");
    folder.WriteFile("game/assets/modules/unparsed.xml",
                     "<module name=\"unparsed\">\n<objs>\n<obj name=\"a\">\n</objs>\n");
    folder.WriteFile("game/assets/modules/uncompiled.lua",
                     "-- name=uncompiled\nfunction public.A()\n  if then\nend\n");
    folder.WriteFile(
        "game/assets/images/lost.xml",
        "<frametexture>\n  <frame texture=\"lost_page\" left=\"0\" top=\"0\" widht=\"4\" height=\"4\"/>\n"
        "</frametexture>\n");
    folder.WriteFile(
        "game/assets/videos/intro.srt",
        "1\n00:00:00,200 --> 00:00:01,200\ndemo_sub_1\n\n2\n00:00:01,300 --> 00:00:02,000\nno_such_sub\n");
    folder.WriteFile("game/assets/images/grey.jpg", GreyJpeg());
    const std::string palette = "/usr/share/doc/libvorbis-dev/html/stream.png";  // a palette PNG from Debian
    const bool havePalette = std::filesystem::exists(palette);
    if (havePalette) std::filesystem::copy_file(palette, root + "/assets/images/palette.png");
    // Media the engine can not open, random or cut short, and good ones from the system:
    // each is opened as the engine opens it.
    const auto demoFile = [&](const std::string& path) { return folder.ReadFile("game/assets/" + path); };
    folder.WriteFile("game/assets/fonts/noise.vkfnt", RandomBytes(3000, 1));
    folder.WriteFile("game/assets/fonts/cut.vkfnt", demoFile("fonts/sans.vkfnt").substr(0, 1000));
    folder.WriteFile("game/assets/fonts/empty.vkfnt", "");
    folder.WriteFile("game/assets/sounds/noise.ogg", RandomBytes(3000, 2));
    folder.WriteFile("game/assets/sounds/cut.ogg", demoFile("sounds/click.ogg").substr(0, 300));
    folder.WriteFile("game/assets/videos/noise.ogg", RandomBytes(3000, 3));
    folder.WriteFile("game/assets/videos/cut.ogg", demoFile("videos/intro.ogg").substr(0, 5000));
    folder.WriteFile("game/assets/images/cut.png", demoFile("images/title.png").substr(0, 200));
    const std::string systemFont = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";
    if (std::filesystem::exists(systemFont)) {
        const std::string ttf = ReadAll(systemFont);
        const std::vector<uint8_t> scrambled =
            vK_FontScrambler::Scramble(reinterpret_cast<const uint8_t*>(ttf.data()), ttf.size());
        folder.WriteFile("game/assets/fonts/liberation.vkfnt",
                         std::string(scrambled.begin(), scrambled.end()));
    }
    const std::string systemSound = "/usr/share/sounds/freedesktop/stereo/bell.oga";
    if (std::filesystem::exists(systemSound))
        folder.WriteFile("game/assets/sounds/bell.ogg", ReadAll(systemSound));
    // The configuration without the save folder's name.
    folder.WriteFile(
        "game/assets/config.json",
        "{\"Vrakko\": {\"strings\": [\"assets/strings/demo\"]},\n"
        " \"start_point\": {\"module\": \"assets/modules/profiles\", \"func\": \"profiles.Start()\"}}\n");

    // Each expected finding: file, line and a part of its message.
    struct Expected {
        std::string file;
        int line;
        std::string message;
    };
    std::vector<Expected> expected = {
        {"assets/config.json", 0, "configuration key \"save_settings.folder\""},
        {"assets/fonts/cut.vkfnt", 0,
         "the engine can not load this font: font assets/fonts/cut: \"assets/fonts/cut.vkfnt\" is damaged or "
         "not a "
         "font file"},
        {"assets/fonts/empty.vkfnt", 0,
         "the engine can not load this font: font assets/fonts/empty: \"assets/fonts/empty.vkfnt\" is empty"},
        {"assets/fonts/noise.vkfnt", 0,
         "the engine can not load this font: font assets/fonts/noise: \"assets/fonts/noise.vkfnt\" is "
         "damaged or "
         "not a font file"},
        {"assets/images/cut.png", 0, "the PNG data does not decode: read past the end of the data"},
        {"assets/sounds/cut.ogg", 0, "the engine can not play this sound: not a Vorbis stream"},
        {"assets/sounds/noise.ogg", 0, "the engine can not play this sound: not a Vorbis stream"},
        {"assets/videos/cut.ogg", 0, "the engine can not play this video: its first frame does not decode"},
        {"assets/videos/noise.ogg", 0,
         "the engine can not play this video: video assets/videos/noise.ogg holds no Theora video"},
        {"assets/images/grey.jpg", 0,
         "JPEG has 1 component (grey); the engine loads only 3-component JPEGs; fix it with: convert "
         "assets/images/grey.jpg -colorspace sRGB -type TrueColor assets/images/grey.jpg"},
        {"assets/images/lost.xml", 2, "atlas page \"assets/images/lost_page.png\" does not exist"},
        {"assets/modules/faults.lua", 3, "sound \"assets/sounds/silence.ogg\" does not exist"},
        {"assets/modules/faults.xml", 3, "object type \"sparkler\" is not registered"},
        {"assets/modules/faults.xml", 4, "resource \"assets/images/not_drawn\" does not exist"},
        {"assets/modules/faults.xml", 5, "string id \"no_such_text\" is defined by no string table"},
        {"assets/modules/faults.xml", 6,
         "calls faults.Missing, which assets/modules/faults.lua does not define"},
        {"assets/modules/uncompiled.lua", 3, "Lua does not compile"},
        {"assets/modules/unparsed.xml", 3, "XML does not parse"},
        {"assets/videos/intro.srt", 7, "string id \"no_such_sub\""},
    };
    if (havePalette)
        expected.push_back(
            {"assets/images/palette.png", 0, "PNG is 8-bit palette; the engine loads only 8-bit RGBA"});

    for (const char* mode : {"", "--json"}) {
        SCOPED_TRACE(mode[0] ? mode : "text");
        const CheckRun run = Check(root, mode, folder);
        EXPECT_EQ(run.status, 1);
        std::string all;
        for (const std::string& line : run.lines) all += line + "\n";
        for (const Expected& e : expected) {
            int count = 0;
            const std::string where =
                mode[0] ? "\"file\":\"" + e.file + "\",\"line\":" + std::to_string(e.line) + ","
                        : e.file + (e.line ? ":" + std::to_string(e.line) : std::string()) + ": error: ";
            // JSON strings escape their quotes.
            std::string message;
            for (char c : e.message) message += mode[0] && c == '"' ? std::string("\\\"") : std::string(1, c);
            for (const std::string& line : run.lines)
                count += line.find(where) != std::string::npos && line.find(message) != std::string::npos;
            EXPECT_EQ(count, 1) << e.file << ":" << e.line << " " << e.message << "\n" << all;
        }
        EXPECT_EQ(run.lines.size(), expected.size()) << all;
        const std::string summary = std::to_string(expected.size()) + " errors, 0 warnings";
        EXPECT_NE(run.summary.find(summary), std::string::npos) << run.summary;
    }
}

// What the engine passes over with a warning at run time is a warning here, with its line.
TEST_F(AssetCheck, WhatTheEngineIgnoresIsAWarning) {
    const std::string root = folder.Path() + "/game";
    std::filesystem::create_directories(root);
    std::filesystem::copy(kDemo + "/assets", root + "/assets", std::filesystem::copy_options::recursive);
    folder.WriteFile("game/assets/anims/stub.xml",
                     "<animation type=\"frame\" frame_texture=\"candle_frames\">\n"
                     "<function name=\"idle\" frametime=\"100\" loop=\"1\"/>\n</animation>\n");
    folder.WriteFile("game/assets/modules/planted.xml",
                     "<module name=\"planted\">\n"
                     "<objs><obj name=\"planted_root\">\n"
                     "  <spr name=\"p_door\" res=\"assets/anims/candle_frames\" pos-y=\"3\" frame=\"17\"/>\n"
                     "  <anim name=\"p_lamp\" res=\"assets/anims/candle\" animfunc=\"glowing\"/>\n"
                     "  <anim name=\"p_stub\" res=\"assets/anims/stub\" animfunc=\"idle\"/>\n"
                     "</obj></objs>\n"
                     "</module>\n");
    folder.WriteFile("game/assets/modules/planted.lua",
                     "function public.Open()\n"
                     "    ObjSet(\"p_door\", {pos_x = 3,\n"
                     "                        visble = false})\n"
                     "    return ObjGet(\"p_dor\")\n"
                     "end\n");
    // A title in a script the demo's serif font lacks, and a text no object shows with a
    // character no font of the demo has (DejaVu draws the emoticon, not the clock).
    std::string strings = folder.ReadFile("game/assets/strings/demo.xml");
    const std::string title = "The Clockmaker's Attic</text>";
    strings.replace(strings.find(title), title.size(), "The Clockmaker's Attic \u6642\u8a08</text>");
    const size_t tableEnd = strings.find("  </table>");
    const int clockLine = 1 + static_cast<int>(std::count(strings.begin(), strings.begin() + tableEnd, '\n'));
    strings.insert(tableEnd, "    <row><id>demo_clock</id><text>Tick \U0001F600 \U0001F570</text></row>\n");
    folder.WriteFile("game/assets/strings/demo.xml", strings);
    const std::vector<std::string> expected = {
        "assets/modules/planted.lua:3: warning: ObjSet: object \"p_door\" (spr) has no property \"visble\"; "
        "it is ignored",
        "assets/modules/planted.lua:4: warning: ObjGet: no object is named \"p_dor\"",
        "assets/modules/planted.xml:3: warning: object \"p_door\" (spr) has no property \"pos-y\"; it is "
        "ignored",
        "assets/modules/planted.xml:3: warning: object \"p_door\" shows frame 17 of "
        "assets/anims/candle_frames.xml, "
        "which has 6 frames; nothing is drawn",
        "assets/modules/planted.xml:4: warning: object \"p_lamp\" plays animation function \"glowing\", "
        "which "
        "assets/anims/candle.xml does not define",
        "assets/modules/planted.xml:5: warning: animation function \"idle\" of assets/anims/stub.xml has no "
        "frames "
        "(object \"p_stub\" plays it)",
        "assets/strings/demo.xml:6: warning: text \"demo_title\" has characters that font assets/fonts/serif "
        "(object \"caption\", assets/modules/motion.xml:13) has no glyphs for: U+4E00..U+9FFF (CJK Unified "
        "Ideographs); they are not drawn",
        "assets/strings/demo.xml:" + std::to_string(clockLine) +
            ": warning: text \"demo_clock\" has characters that no font of the game has glyphs for: "
            "U+1F300..U+1F5FF (Miscellaneous Symbols and Pictographs)",
    };
    const CheckRun run = Check(root, "", folder);
    EXPECT_EQ(run.status, 0);  // warnings alone do not fail the check
    EXPECT_EQ(run.lines, expected);
    EXPECT_NE(run.summary.find("0 errors, 8 warnings"), std::string::npos) << run.summary;
}

// A configuration that does not parse is one finding with its line and column: no key
// "is missing" after it, and no string id "is defined by no string table".
TEST_F(AssetCheck, AParseFailureIsReportedAlone) {
    const std::string root = folder.Path() + "/game";
    std::filesystem::create_directories(root);
    std::filesystem::copy(kDemo + "/assets", root + "/assets", std::filesystem::copy_options::recursive);
    std::filesystem::remove(root + "/assets/shared/interface/int_loading.xml");
    std::filesystem::remove(root + "/assets/shared/interface/int_loading.lua");
    folder.WriteFile("game/assets/config.json", "{\"save_settings\": {\"folder\": \"Game\"},\n  }\n");
    const CheckRun run = Check(root, "", folder);
    EXPECT_EQ(run.status, 1);
    const std::vector<std::string> expected = {
        "assets/config.json:2: error: JSON does not parse (column 3): Missing '}' or object member name; the "
        "game "
        "does not start with it",
        "assets/shared/interface/int_loading.xml: error: the loading-screen module "
        "\"assets/shared/interface/int_loading\" (.xml and .lua), which every level switch loads, is missing",
    };
    EXPECT_EQ(run.lines, expected);
}

// The folder assets/extra fails as a folder without permissions would.
bool ExtraLocked(const std::string& folder, std::vector<std::string>& files,
                 std::vector<std::string>& folders, std::string& why) {
    if (folder.size() >= 13 && folder.compare(folder.size() - 13, 13, "/assets/extra") == 0) {
        why = "Permission denied";
        return false;
    }
    return ListDiskFolder(folder, files, folders, why);
}

// A folder the check can not read is an error naming it and the reason, and the folders
// after it are still checked: a fault planted in the last one is found. Root reads a
// folder without permissions anyway, so the check's folder reader also fails it on purpose.
TEST_F(AssetCheck, AnUnreadableFolderIsAnErrorAndTheRestIsChecked) {
    const std::string root = folder.Path() + "/game";
    std::filesystem::create_directories(root);
    std::filesystem::copy(kDemo + "/assets", root + "/assets", std::filesystem::copy_options::recursive);
    folder.WriteFile("game/assets/zz/broken.xml", "<module>\n<objs>\n");
    // Nothing refers to the locked folder; what it holds would be a finding if it were read.
    folder.WriteFile("game/assets/extra/broken.xml", "<module>\n");
    struct Case {
        const char* name;
        bool onDisk;  // the folder's permissions are taken away
        vK_FolderLister lister;
    };
    const Case cases[] = {
        {"reader fails", false, &ExtraLocked},
        {"no permissions", true, &ListDiskFolder},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.onDisk && geteuid() == 0) continue;  // root reads it anyway
        namespace fs = std::filesystem;
        if (c.onDisk) fs::permissions(root + "/assets/extra", fs::perms::none);
        vK_StartupOptions options;
        options.assetRoot = root;
        options.saveFolder = folder.Path() + "/save";
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const int status = RunAssetCheck(options, false, c.lister);
        const std::string out = ::testing::internal::GetCapturedStdout();
        const std::string summary = ::testing::internal::GetCapturedStderr();
        if (c.onDisk) fs::permissions(root + "/assets/extra", fs::perms::owner_all);
        EXPECT_EQ(status, 1);
        EXPECT_EQ(out,
                  "assets/extra"
                  ": error: the folder can not be read (Permission denied); the files in it are not "
                  "checked\nassets/zz/broken.xml:2: error: XML does not parse: XML_ERROR_PARSING\n");
        EXPECT_NE(summary.find("2 errors, 0 warnings"), std::string::npos) << summary;
    }
}

}  // namespace

// The export: the archive and tar writers give the same bytes for the same input and
// are read back by the engine and by Debian's unzip and tar; the library scan keeps the
// desktop's own libraries out; the demo exported for Linux and unpacked in a temporary
// folder (with a name that needs quoting) replays its play-through to the reference frame
// and installs its desktop entry; the Windows export packs the Windows build; a tree with
// errors is refused with the checker's lines; a mixed-case game answers the same from
// folder and archive; links are packed by their names, loops refused.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/tools/desktop_entry.h"
#include "app/tools/game_export.h"
#include "app/tools/shared_libraries.h"
#include "app/tools/tar_writer.h"
#include "app/tools/zip_writer.h"
#include "files/data_provider_archive.h"
#include "files/path_rules.h"
#include "support/file_manager_fixture.h"
#include "support/frame_compare.h"
#include "support/log_check.h"

namespace {

const std::string kExe = std::string(VRAKKO_BINARY_DIR) + "/vrakko";
const std::string kDemo = std::string(VRAKKO_BINARY_DIR) + "/demo";
const std::string kRecording = std::string(VRAKKO_SOURCE_DIR) + "/demo/playthrough.rec";
const std::string kReference = std::string(VRAKKO_SOURCE_DIR) + "/demo/playthrough_end.png";
const std::string kWindowsBuild = std::string(VRAKKO_SOURCE_DIR) + "/build/windows";
constexpr int kEndFrame = 754;

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<uint8_t> Noise(size_t size) {
    std::vector<uint8_t> bytes(size);
    uint32_t x = 2463534242u;
    for (uint8_t& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    return bytes;
}

bool DemoBuilt() {
    return std::filesystem::exists(kExe) && std::filesystem::exists(kDemo + "/assets/modules/attic.xml");
}

using PackedArchive = FileManagerFixture;

// Entries of every shape (empty, text, compressible, incompressible, mixed case on disk)
// packed twice give the same bytes, and both the engine (through its password) and
// Info-ZIP's unzip read every byte back.
TEST_F(PackedArchive, IsReproducibleAndReadByTheEngineAndUnzip) {
    const std::string root = folder.Path() + "/root";
    std::string repeated;
    for (int i = 0; i < 4000; ++i) repeated += "tick tock ";
    const std::vector<uint8_t> noise = Noise(70000);
    folder.WriteFile("root/assets/empty.txt", "");
    folder.WriteFile("root/assets/config.json", "{}");
    folder.WriteFile("root/assets/modules/Clock.lua", repeated);
    folder.WriteFile("root/assets/.hidden", "left out");
    folder.WriteFile("root/assets/sounds/noise.ogg", Text(noise));
    std::vector<uint8_t> first, second;
    std::string error;
    ASSERT_TRUE(PackAssets(root, first, error)) << error;
    // Another modification time changes nothing.
    std::filesystem::last_write_time(root + "/assets/config.json",
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(50));
    ASSERT_TRUE(PackAssets(root, second, error)) << error;
    EXPECT_TRUE(first == second);
    // Deflate made the repeated text small; the noise is stored as it is.
    EXPECT_LT(first.size(), noise.size() + 5000);
    EXPECT_GT(first.size(), noise.size());

    // Only the archive is left to read from.
    std::filesystem::remove_all(root + "/assets");
    folder.WriteFile("root/assets/data.pck", Text(first));
    StartFileManager();
    EXPECT_EQ(Load("assets/modules/clock.lua"), repeated);
    EXPECT_EQ(Load("assets/Modules/Clock.lua"), repeated);
    EXPECT_TRUE(Load("assets/sounds/noise.ogg") == Text(noise));
    int status = -1;
    EXPECT_EQ(Load("assets/empty.txt", &status), "");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(fm.Exists("assets/.hidden"), 1);
    if (Shell("command -v unzip >/dev/null") != 0) GTEST_SKIP() << "unzip is not installed";
    EXPECT_EQ(Shell("unzip -q -t -P " + std::string(vK_FileManager::kArchivePassword) + " '" + root +
                    "/assets/data.pck' >/dev/null"),
              0);
    EXPECT_NE(Shell("unzip -q -t -P wrong '" + root + "/assets/data.pck' >/dev/null 2>&1"), 0);
}

// A game whose names mix cases (ASCII and not) answers every request the same from its
// folder and from its exported archive: what exists, what reads, and the listing.
TEST(ExportedArchive, AnswersAsTheFolderWhateverTheCase) {
    TempFolder folder;
    const std::vector<std::pair<std::string, std::string>> files = {
        {"assets/images/Ball.png", "ball"},
        {"assets/Sounds/Chime.OGG", "chime"},
        {"assets/images/\xc3\x84pfel.png", "apples"},              // Äpfel
        {"assets/Texte/\xce\xa3\xd0\x96-notes.txt", "sigma zhe"},  // ΣЖ
        {"assets/config.json", "{}"},
    };
    for (const auto& [path, content] : files) folder.WriteFile("game/" + path, content);
    std::vector<uint8_t> archive;
    std::string error;
    ASSERT_TRUE(PackAssets(folder.Path() + "/game", archive, error)) << error;
    folder.WriteFile("packed/assets/data.pck", Text(archive));
    const char* requests[] = {
        "assets/images/Ball.png",
        "assets/images/ball.png",
        "assets/IMAGES/BALL.PNG",
        "assets/sounds/chime.ogg",
        "assets/Sounds/Chime.OGG",
        "assets/images/\xc3\xa4pfel.png",
        "assets/images/\xc3\x84PFEL.png",
        "assets/texte/\xcf\x83\xd0\xb6-notes.txt",
        "assets/TEXTE/\xcf\x82\xd0\x96-NOTES.txt",
        "assets/images/Bal.png",
        "assets/images",
    };
    // (exists, content) for every request.
    auto answers = [&](const std::string& root) {
        vK_FileManager files;
        files.SetAssetRoot(root);
        files.SetSaveFolder(folder.Path() + "/save");
        files.RegisterProviders();
        std::vector<std::string> out;
        for (const char* request : requests) {
            std::vector<uint8_t> bytes;
            files.SetSilent(true);
            const int loaded = files.LoadFile(request, bytes, 0);
            out.push_back(std::to_string(files.Exists(request)) + std::to_string(loaded) + " " + Text(bytes));
        }
        return out;
    };
    const std::vector<std::string> fromFolder = answers(folder.Path() + "/game");
    EXPECT_EQ(fromFolder[0], "00 ball");
    EXPECT_EQ(fromFolder[9], "11 ");
    EXPECT_EQ(answers(folder.Path() + "/packed"), fromFolder);
    std::set<std::string> listed;
    for (const auto& [path, content] : files) listed.insert(FoldCase(path));
    auto locations = std::make_shared<vK_FileLocations>();
    locations->asset_root = folder.Path() + "/packed";
    vK_DataProviderArchive packed(locations, {std::make_shared<vK_DataProviderBase>(locations)},
                                  "assets/data", vK_FileManager::kArchivePassword);
    EXPECT_EQ(packed.GetEntryNames(), listed);
}

// What the packer takes from the tree and what it refuses: links to files are packed
// under their own names with the bytes they lead to (also from outside the tree); a
// folder link that loops, names that differ only in case, a data.pck and a broken link
// are refused with the path.
TEST(PackAssets, FollowsFileLinksAndRefusesWhatItCanNotPack) {
    struct Case {
        const char* what;
        std::function<void(const TempFolder&)> setup;
        std::string error;                           // empty: packed
        std::map<std::string, std::string> entries;  // what a packed archive holds
    };
    const auto link = [](const TempFolder& f, const std::string& target, const std::string& at) {
        std::filesystem::create_symlink(target, f.Path() + "/" + at);
    };
    const Case cases[] = {
        {"links to files inside and outside the tree",
         [&](const TempFolder& f) {
             f.WriteFile("g/assets/images/ball.png", "ball");
             f.WriteFile("outside/Shared.txt", "shared");
             link(f, "ball.png", "g/assets/images/Ball2.png");
             link(f, f.Path() + "/outside/Shared.txt", "g/assets/Shared.txt");
             link(f, f.Path() + "/outside", "g/assets/more");
             f.WriteFile("g/assets/.hidden/x", "left out");
         },
         "",
         {{"assets/images/ball.png", "ball"},
          {"assets/images/ball2.png", "ball"},
          {"assets/shared.txt", "shared"},
          {"assets/more/shared.txt", "shared"}}},
        {"a folder link that loops",
         [&](const TempFolder& f) {
             f.WriteFile("g/assets/a/x.txt", "x");
             link(f, "..", "g/assets/a/back");
         },
         "g/assets/a/back: it leads back to",
         {}},
        {"names that differ only in case",
         [](const TempFolder& f) {
             f.WriteFile("g/assets/Logo.png", "x");
             f.WriteFile("g/assets/logo.png", "y");
         },
         "differ only in case",
         {}},
        {"names that differ only in a non-ASCII case",
         [](const TempFolder& f) {
             f.WriteFile("g/assets/\xc3\x84.png", "x");
             f.WriteFile("g/assets/\xc3\xa4.png", "y");
         },
         "differ only in case",
         {}},
        {"a packed tree", [](const TempFolder& f) { f.WriteFile("g/assets/Data.pck", "z"); }, "data.pck", {}},
        {"a broken link",
         [&](const TempFolder& f) {
             f.WriteFile("g/assets/a.txt", "a");
             link(f, "gone.png", "g/assets/b.png");
         },
         "g/assets/b.png: No such file or directory",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        c.setup(folder);
        std::vector<uint8_t> archive;
        std::string error;
        const bool packed = PackAssets(folder.Path() + "/g", archive, error);
        EXPECT_EQ(packed, c.error.empty()) << error;
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        if (!packed) continue;
        folder.WriteFile("packed/assets/data.pck", Text(archive));
        auto locations = std::make_shared<vK_FileLocations>();
        locations->asset_root = folder.Path() + "/packed";
        vK_DataProviderArchive reader(locations, {std::make_shared<vK_DataProviderBase>(locations)},
                                      "assets/data", vK_FileManager::kArchivePassword);
        std::map<std::string, std::string> entries;
        for (const std::string& name : reader.GetEntryNames()) {
            std::vector<uint8_t> bytes;
            EXPECT_TRUE(reader.ReadAll(name, bytes)) << name;
            entries[name] = Text(bytes);
        }
        EXPECT_EQ(entries, c.entries);
    }
}

// Exec= and Icon= values for paths with every character the desktop entry format or
// its Exec quoting treats specially.
TEST(DesktopEntry, QuotesAndEscapesPaths) {
    const std::pair<const char*, const char*> exec[] = {
        {"/games/Attic/Attic", R"("/games/Attic/Attic")"},
        {"/my games/a&b|c;d", R"("/my games/a&b|c;d")"},
        {"/a\"b", R"("/a\\"b")"},
        {"/a$HOME", R"("/a\\$HOME")"},
        {"/a`id`", R"("/a\\`id\\`")"},
        {"/a\\b", R"("/a\\\\b")"},
        {"/100%", R"("/100%%")"},
        {"/a\nb", R"("/a\nb")"},
    };
    for (const auto& [path, value] : exec) EXPECT_EQ(DesktopExecValue(path), value) << path;
    EXPECT_EQ(EscapeDesktopString("/a b\\c\td\"$`%"), "/a b\\\\c\\td\"$`%");
    EXPECT_EQ(PackagedDesktopEntry("Tom\\Jerry\n", "Tom-Jerry"),
              "[Desktop Entry]\nType=Application\nName=Tom\\\\Jerry\nExec=Tom-Jerry\nIcon=icon.png\n"
              "Terminal=false\nCategories=Game;\n");
}

TEST(TarWriter, GivesTheSameBytesAndTarUnpacksThem) {
    auto build = [] {
        vK_TarWriter tar;
        tar.AddFolder("game");
        tar.AddFile("game/start", {'#', '!', '/', 'b', 'i', 'n', '/', 's', 'h', '\n'}, 0755);
        tar.AddFolder("game/lib");
        tar.AddFile("game/lib/" + std::string(90, 'l') + "/" + std::string(80, 'n'), Noise(1000));
        return tar.Finish();
    };
    const std::vector<uint8_t> bytes = build();
    ASSERT_FALSE(bytes.empty());
    EXPECT_TRUE(bytes == build());
    TempFolder folder;
    folder.WriteFile("game.tar.gz", Text(bytes));
    ASSERT_EQ(Shell("cd '" + folder.Path() + "' && tar -xzf game.tar.gz"), 0);
    EXPECT_EQ(folder.ReadFile("game/start"), "#!/bin/sh\n");
    EXPECT_EQ(std::filesystem::status(folder.Path() + "/game/start").permissions() &
                  std::filesystem::perms::owner_exec,
              std::filesystem::perms::owner_exec);
    EXPECT_TRUE(folder.ReadFile("game/lib/" + std::string(90, 'l') + "/" + std::string(80, 'n')) ==
                Text(Noise(1000)));
    vK_TarWriter tooLong;
    EXPECT_FALSE(tooLong.AddFile(std::string(300, 'x'), {}));
}

TEST(ExportFileName, KeepsLettersAndDigits) {
    const std::pair<const char*, const char*> cases[] = {
        {"The Clockmaker's Attic", "The-Clockmakers-Attic"},
        {"  Zoë & the 7 Keys!  ", "Zo-the-7-Keys"},
        {"../..", "game"},
        {"", "game"},
    };
    for (const auto& [title, name] : cases) EXPECT_EQ(ExportFileName(title), name) << title;
}

// ldd's lines as Debian 12 prints them for the engine: the loader's own and the desktop's
// libraries stay out, the rest is carried, a library the linker can not find is named.
TEST(SharedLibraries, CarryOnlyWhatADesktopLacks) {
    const std::string ldd =
        "\tlinux-vdso.so.1 (0x00007ffd)\n"
        "\tlibSDL2-2.0.so.0 => /lib/x86_64-linux-gnu/libSDL2-2.0.so.0 (0x00007f01)\n"
        "\tliblua5.1.so.0 => /lib/x86_64-linux-gnu/liblua5.1.so.0 (0x00007f02)\n"
        "\tlibjpeg.so.62 => /lib/x86_64-linux-gnu/libjpeg.so.62 (0x00007f03)\n"
        "\tlibstdc++.so.6 => /lib/x86_64-linux-gnu/libstdc++.so.6 (0x00007f04)\n"
        "\tlibm.so.6 => /lib/x86_64-linux-gnu/libm.so.6 (0x00007f05)\n"
        "\tlibGLX.so.0 => /lib/x86_64-linux-gnu/libGLX.so.0 (0x00007f06)\n"
        "\tlibxcb-randr.so.0 => /lib/x86_64-linux-gnu/libxcb-randr.so.0 (0x00007f07)\n"
        "\tlibz.so.1 => /lib/x86_64-linux-gnu/libz.so.1 (0x00007f08)\n"
        "\tlibzip.so.4 => /lib/x86_64-linux-gnu/libzip.so.4 (0x00007f09)\n"
        "\tlibtheoradec.so.1 => not found\n"
        "\tlibpulsecommon-16.1.so => /usr/lib/x86_64-linux-gnu/pulseaudio/libpulsecommon-16.1.so "
        "(0x00007f0c)\n"
        "\tlibc.so.6 => /lib/x86_64-linux-gnu/libc.so.6 (0x00007f0a)\n"
        "\t/lib64/ld-linux-x86-64.so.2 (0x00007f0b)\n";
    const vK_LibraryScan scan = ParseLddOutput(ldd);
    std::vector<std::string> bundled;
    for (const vK_SharedLibrary& lib : scan.bundled) bundled.push_back(lib.soname);
    EXPECT_EQ(bundled, (std::vector<std::string>{"libSDL2-2.0.so.0", "liblua5.1.so.0", "libjpeg.so.62",
                                                 "libzip.so.4"}));
    EXPECT_EQ(scan.bundled[0].path, "/lib/x86_64-linux-gnu/libSDL2-2.0.so.0");
    EXPECT_EQ(scan.missing, std::vector<std::string>{"libtheoradec.so.1"});
    EXPECT_EQ(scan.system.size(), 9u);
}

class ExportedDemo : public ::testing::Test {
protected:
    void SetUp() override {
        if (!DemoBuilt()) GTEST_SKIP() << "the executable or the demo assets are not built";
    }
    int Export(const std::string& target, const std::string& extra = "") {
        return Shell("'" + kExe + "' --export '" + folder.Path() + "/out' --target " + target + " --root '" +
                     kDemo + "' " + extra + " >'" + folder.Path() + "/export.txt' 2>&1");
    }
    TempFolder folder;
};

// The Linux export unpacked elsewhere runs through its launcher, the libraries it
// carries and its data.pck, and the play-through ends on the reference frame.
TEST_F(ExportedDemo, LinuxTarballReplaysThePlaythrough) {
    ASSERT_EQ(Export("linux"), 0) << folder.ReadFile("export.txt");
    const std::string name = "The-Clockmakers-Attic";
    const std::string out = folder.Path() + "/out/";
    for (const std::string& file :
         std::vector<std::string>{"assets/data.pck", "vrakko", "icon.png", name, name + ".desktop"})
        EXPECT_TRUE(folder.Has("out/" + name + "-linux/" + file)) << file;
    EXPECT_TRUE(folder.Has("out/" + name + "-linux/lib/libSDL2-2.0.so.0"));
    EXPECT_FALSE(folder.Has("out/" + name + "-linux/lib/libc.so.6"));
    EXPECT_NE(
        folder.ReadFile("out/" + name + "-linux/" + name + ".desktop").find("Name=The Clockmaker's Attic\n"),
        std::string::npos);
    // Unpacked where no build tree is near, into a folder whose name needs quoting in
    // shell and desktop entry alike, and the build's own libraries out of reach.
    TempFolder player;
    const std::string odd = "a b&c|d\"e$f`g\\h";
    const std::string place = player.Path() + "/" + odd;
    std::filesystem::create_directory(place);
    ASSERT_EQ(Shell("cd '" + place + "' && tar -xzf '" + out + name + "-linux.tar.gz'"), 0);
    ASSERT_FALSE(player.Has(odd + "/" + name + "/assets/modules"));
    const std::string launcher = place + "/" + name + "/" + name;
    const std::string command =
        "cd / && env -u LD_LIBRARY_PATH SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy '" + launcher +
        "' --save-dir '" + player.Path() + "/save' --replay '" + kRecording + "' --screenshot-at " +
        std::to_string(kEndFrame) + ":'" + player.Path() + "/end.png' >'" + player.Path() + "/run.txt' 2>&1";
    ASSERT_EQ(Shell(command), 0) << player.ReadFile("run.txt");
    EXPECT_EQ(FaultLines(player.Path() + "/save/logfile.txt"), "");
    EXPECT_NE(player.ReadFile("save/logfile.txt").find("demo: well done"), std::string::npos);
    // The launcher puts the game into the desktop's menu, pointing at where it was
    // unpacked: '"', '$', '`' and '\' escaped inside the quotes, then '\' once more.
    ASSERT_EQ(Shell("XDG_DATA_HOME='" + player.Path() + "/share' '" + launcher +
                    "' --install-desktop-entry >/dev/null"),
              0);
    const std::string entry = player.ReadFile("share/applications/" + name + ".desktop");
    EXPECT_NE(entry.find("Exec=\"" + player.Path() + "/a b&c|d\\\\\"e\\\\$f\\\\`g\\\\\\\\h/" + name + "/" +
                         name + "\"\n"),
              std::string::npos)
        << entry;
    EXPECT_NE(entry.find("Icon=" + player.Path() + "/a b&c|d\"e$f`g\\\\h/" + name + "/icon.png\n"),
              std::string::npos)
        << entry;
    EXPECT_NE(entry.find("Name=The Clockmaker's Attic\n"), std::string::npos) << entry;
    vK_Image end, reference;
    if (!LoadPngFile(player.Path() + "/end.png", end)) GTEST_SKIP() << "no OpenGL context for screenshots";
    ASSERT_TRUE(LoadPngFile(kReference, reference));
    EXPECT_LT(DifferentShare(FrameBlocks(end), reference), 0.01);
}

// Packs whatever Windows build it is given: a stand-in build folder around a real
// Windows program when there is no real build, and the real one from `make windows` when
// it exists. The executable carries the game's title in its resources; a stand-in that
// is no Windows program is refused.
TEST_F(ExportedDemo, WindowsZipCarriesTheBuildAndTheArchive) {
    const std::string fake = folder.Path() + "/winbuild";
    folder.WriteFile("winbuild/vrakko.exe", "MZ stand-in");
    ASSERT_EQ(Export("windows", "--windows-build '" + fake + "'"), 1);
    EXPECT_NE(folder.ReadFile("export.txt")
                  .find("can not write the game's icon and title into vrakko.exe: not a Windows executable"),
              std::string::npos)
        << folder.ReadFile("export.txt");
    const std::string program = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/notepad.exe";
    if (!std::filesystem::exists(program)) GTEST_SKIP() << "no Windows program to stand in (Wine)";
    ASSERT_EQ(Shell("cp '" + program + "' '" + fake + "/vrakko.exe'"), 0);
    folder.WriteFile("winbuild/SDL2.dll", "MZ dll");
    folder.WriteFile("winbuild/licenses/SDL2.txt", "zlib licence");
    folder.WriteFile("winbuild/vkfont.exe", "an author tool");
    folder.WriteFile("winbuild/demo/assets/config.json", "{}");
    ASSERT_EQ(Export("windows", "--windows-build '" + fake + "'"), 0) << folder.ReadFile("export.txt");
    const std::string zip = folder.Path() + "/out/The-Clockmakers-Attic-windows.zip";
    ASSERT_EQ(Shell("cd '" + folder.Path() + "' && mkdir x && cd x && unzip -q '" + zip + "'"), 0);
    const std::string top = "x/The-Clockmakers-Attic/";
    const std::string exe = folder.ReadFile(top + "The-Clockmakers-Attic.exe");
    EXPECT_GT(exe.size(), std::filesystem::file_size(program));
    std::u16string title = u"The Clockmaker's Attic";
    EXPECT_NE(exe.find(std::string(reinterpret_cast<const char*>(title.data()), title.size() * 2)),
              std::string::npos);
    EXPECT_EQ(folder.ReadFile(top + "SDL2.dll"), "MZ dll");
    EXPECT_EQ(folder.ReadFile(top + "licenses/SDL2.txt"), "zlib licence");
    EXPECT_TRUE(folder.Has(top + "assets/data.pck"));
    EXPECT_FALSE(folder.Has(top + "vkfont.exe"));
    EXPECT_FALSE(folder.Has(top + "demo"));

    if (!std::filesystem::exists(kWindowsBuild + "/vrakko.exe"))
        GTEST_SKIP() << "no Windows build (make windows)";
    ASSERT_EQ(Export("windows", "--windows-build '" + kWindowsBuild + "'"), 0)
        << folder.ReadFile("export.txt");
    EXPECT_GT(std::filesystem::file_size(zip), std::filesystem::file_size(kWindowsBuild + "/vrakko.exe") / 4);
}

TEST_F(ExportedDemo, RefusesATreeWithErrorsAndPrintsTheCheckersLines) {
    folder.WriteFile("game/assets/config.json",
                     "{\"Vrakko\": {\"publisherName\": \"P\", \"gameName\": \"G\"}, \"save_settings\": "
                     "{\"folder\": \"G\"}, \"start_point\": {\"module\": \"assets/modules/start\", \"func\": "
                     "\"start.Go()\"}}");
    folder.WriteFile("game/assets/modules/start.xml", "<objects><obj name=\"a\" type=\"spr\"");
    folder.WriteFile("game/assets/modules/start.lua", "function Go() end");
    const int status = Shell("'" + kExe + "' --export '" + folder.Path() + "/out' --target linux --root '" +
                             folder.Path() + "/game' >'" + folder.Path() + "/export.txt' 2>&1");
    EXPECT_EQ(status, 1);
    const std::string output = folder.ReadFile("export.txt");
    EXPECT_NE(output.find("assets/modules/start.xml"), std::string::npos) << output;
    EXPECT_NE(output.find("nothing was exported"), std::string::npos) << output;
    EXPECT_FALSE(folder.Has("out/G-linux.tar.gz"));
    EXPECT_EQ(Export("solaris"), 2);
}

}  // namespace

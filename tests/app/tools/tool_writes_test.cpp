// The tools that write files (--export, --new, --install-desktop-entry, --record) run against
// overlapping, nested, linked and read-only folders: whatever they answer, every file
// that was under the temporary folder before is there afterwards byte for byte, and a
// refusal or failure says why and writes nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/file_snapshot.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

const std::string kExe = std::string(VRAKKO_BINARY_DIR) + "/vrakko";

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// One run of a writing tool. The command runs in the row's temporary folder with HOME
// and XDG_DATA_HOME pointing into it ("home", "share").
struct ToolWrite {
    const char* what;
    std::function<void(const TempFolder&)> setup;  // builds the tree the tool meets
    std::string arguments;                         // after the program's name
    int status;                                    // the exit status expected
    std::string says;                              // a piece of its output
    std::vector<std::string> mayChange = {};       // path prefixes the tool may replace
    bool writesNothing = false;                    // no file may appear either
    bool needsPermissions = false;                 // root ignores them: skipped as root
    std::string shellPrefix = {};                  // before the program (limits, traps)
    std::string file = {};                         // a file the run writes
    std::string fileHas = {};                      // and a piece of it ({root}: the folder)
};

// A small game, written once by --new, copied into each row's folder under "game".
const std::string& GameTemplate() {
    static TempFolder folder;
    static const int status =
        Shell("cd '" + folder.Path() + "' && '" + kExe + "' --new game --name 'My Game' >/dev/null 2>&1");
    EXPECT_EQ(status, 0);
    static const std::string path = folder.Path() + "/game";
    return path;
}

void CopyGame(const TempFolder& folder, const std::string& to = "game") {
    fs::create_directories(fs::path(folder.Path() + "/" + to).parent_path());
    fs::copy(GameTemplate(), folder.Path() + "/" + to, fs::copy_options::recursive);
}

void Link(const TempFolder& folder, const std::string& target, const std::string& link) {
    fs::create_symlink(target, folder.Path() + "/" + link);
}

void LockFolder(const TempFolder& folder, const std::string& dir) {
    fs::create_directories(folder.Path() + "/" + dir);
    chmod((folder.Path() + "/" + dir).c_str(), 0555);
}

// A packaged desktop entry beside a launcher, as an export leaves them, in dir.
void PackagedEntry(const TempFolder& folder, const std::string& dir) {
    folder.WriteFile(dir + "/My-Game", "#!/bin/sh\n");
    folder.WriteFile(dir + "/My-Game.desktop",
                     "[Desktop Entry]\nType=Application\nName=My Game\nExec=My-Game\nIcon=icon.png\n");
}

const std::vector<ToolWrite>& Rows() {
    static const std::vector<ToolWrite> rows = {
        {.what = "export: the game inside the package folder it would replace",
         .setup = [](const TempFolder& f) { CopyGame(f, "dist/My-Game-linux"); },
         .arguments = "--export dist --target linux --root dist/My-Game-linux",
         .status = 1,
         .says = "lie inside one another",
         .writesNothing = true},
        {.what = "export: the output inside the asset tree",
         .setup = [](const TempFolder& f) { CopyGame(f); },
         .arguments = "--export game/assets/out --target linux --root game",
         .status = 1,
         .says = "lie inside one another",
         .writesNothing = true},
        {.what = "export: the output is the game's folder",
         .setup = [](const TempFolder& f) { CopyGame(f); },
         .arguments = "--export game --target windows --root game",
         .status = 1,
         .says = "lie inside one another",
         .writesNothing = true},
        {.what = "export: the game reached through a link into the package folder",
         .setup =
             [](const TempFolder& f) {
                 CopyGame(f, "dist/My-Game-linux");
                 Link(f, "dist/My-Game-linux", "linked");
             },
         .arguments = "--export dist --target linux --root linked",
         .status = 1,
         .says = "lie inside one another",
         .writesNothing = true},
        {.what = "export: the output reached through a link into the game",
         .setup =
             [](const TempFolder& f) {
                 CopyGame(f);
                 Link(f, "game/assets", "out");
             },
         .arguments = "--export out/../out --target linux --root game",
         .status = 1,
         .says = "lie inside one another",
         .writesNothing = true},
        {.what = "export: an author's folder where the package goes",
         .setup =
             [](const TempFolder& f) {
                 CopyGame(f);
                 f.WriteFile("dist/My-Game-linux/notes.txt", "mine");
             },
         .arguments = "--export dist --target linux --root game",
         .status = 1,
         .says = "was not made by an export",
         .writesNothing = true},
        {.what = "export: an earlier export is replaced",
         .setup =
             [](const TempFolder& f) {
                 CopyGame(f);
                 f.WriteFile("dist/My-Game-linux/.vrakko-export", "");
                 f.WriteFile("dist/My-Game-linux/old.txt", "from the last export");
                 f.WriteFile("dist/keep.txt", "beside it");
             },
         .arguments = "--export dist --target linux --root game",
         .status = 0,
         .says = "My-Game-linux.tar.gz",
         .mayChange = {"dist/My-Game-linux/"}},
        {.what = "export: a folder link loop in the asset tree",
         .setup =
             [](const TempFolder& f) {
                 CopyGame(f);
                 Link(f, "..", "game/assets/images/up");
             },
         .arguments = "--export dist --target linux --root game",
         .status = 1,
         .says = "(a loop)",
         .writesNothing = true},
        {.what = "export: a file where the output folder goes",
         .setup =
             [](const TempFolder& f) {
                 CopyGame(f);
                 f.WriteFile("dist", "a file");
             },
         .arguments = "--export dist/out --target linux --root game",
         .status = 1,
         .says = "Not a directory",
         .writesNothing = true},
        {.what = "export: a read-only output folder",
         .setup =
             [](const TempFolder& f) {
                 CopyGame(f);
                 LockFolder(f, "dist");
             },
         .arguments = "--export dist --target linux --root game",
         .status = 1,
         .says = "Permission denied",
         .writesNothing = true,
         .needsPermissions = true},
        {.what = "export: an unreadable asset folder",
         .setup =
             [](const TempFolder& f) {
                 CopyGame(f);
                 chmod((f.Path() + "/game/assets/images").c_str(), 0);
             },
         .arguments = "--export dist --target linux --root game",
         .status = 1,
         .says = "Permission denied",
         .writesNothing = true,
         .needsPermissions = true},
        {.what = "new: a link to the game",
         .setup =
             [](const TempFolder& f) {
                 CopyGame(f);
                 Link(f, "game", "linked");
             },
         .arguments = "--new linked",
         .status = 2,
         .says = "is no folder",
         .writesNothing = true},
        {.what = "new: the author's folder as 'dir/..'",
         .setup = [](const TempFolder& f) { f.WriteFile("dir/keep.txt", "x"); },
         .arguments = "--new dir/..",
         .status = 2,
         .says = "is not empty",
         .writesNothing = true},
        {.what = "new: an empty current folder as '.'",
         .setup = [](const TempFolder& f) { fs::create_directory(f.Path() + "/empty"); },
         .arguments = "--new .",
         .status = 0,
         .says = "wrote \"empty\"",
         .shellPrefix = "cd empty &&",
         .file = "empty/assets/config.json",
         .fileHas = "\"gameName\": \"empty\""},
        {.what = "new: '.' in a folder whose name can not name a game",
         .setup = [](const TempFolder& f) { fs::create_directory(f.Path() + "/a\\b"); },
         .arguments = "--new .",
         .status = 2,
         .says =
             "taken from the folder's name, \"a\\b\", which can not name a game (empty, slashes or control "
             "characters); give one with --name NAME",
         .writesNothing = true,
         .shellPrefix = "cd 'a\\b' &&"},
        {.what = "new: no folder at all",
         .setup = [](const TempFolder& f) { CopyGame(f); },
         .arguments = "--new '' --root game --frames 1",
         .status = 2,
         .says = "give the folder to write the game into",
         .writesNothing = true},
        {.what = "export: no output folder",
         .setup = [](const TempFolder& f) { CopyGame(f); },
         .arguments = "--export '' --target linux --root game --frames 1",
         .status = 2,
         .says = "give the folder to export into",
         .writesNothing = true},
        {.what = "new: a full disk",
         .setup = [](const TempFolder& f) { f.WriteFile("keep.txt", "mine"); },
         .arguments = "--new fresh",
         .status = 1,
         .says = "File too large; nothing was written",
         .writesNothing = true,
         .shellPrefix = "trap '' XFSZ; ulimit -f 100;"},
        {.what = "new: a read-only parent folder",
         .setup = [](const TempFolder& f) { LockFolder(f, "locked"); },
         .arguments = "--new locked/game",
         .status = 1,
         .says = "Permission denied",
         .writesNothing = true,
         .needsPermissions = true},
        {.what = "record: the recording's copy would be the save folder itself",
         .setup =
             [](const TempFolder& f) {
                 CopyGame(f);
                 f.WriteFile("d/x.save/p_000000.json", "a player's progress");
             },
         .arguments = "--root game --save-dir d/x.save --record d/x --frames 2",
         .status = 2,
         .says = "would overlap (one inside the other)",
         .shellPrefix = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy"},
        {.what = "record: the recording inside the save folder",
         .setup =
             [](const TempFolder& f) {
                 CopyGame(f);
                 f.WriteFile("s/p_000000.json", "a player's progress");
             },
         .arguments = "--root game --save-dir s --record s/run.rec --frames 2",
         .status = 2,
         .says = "would overlap (one inside the other)",
         .shellPrefix = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy"},
        {.what = "record: the save folder reached through a link from the copy's place",
         .setup =
             [](const TempFolder& f) {
                 CopyGame(f);
                 f.WriteFile("s/p_000000.json", "a player's progress");
                 Link(f, "s", "run.save");
             },
         .arguments = "--root game --save-dir s --record run --frames 2",
         .status = 2,
         .says = "would overlap (one inside the other)",
         .shellPrefix = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy"},
        {.what = "desktop entry: a path with a space and & | \" $ ` \\",
         .setup =
             [](const TempFolder& f) {
                 PackagedEntry(f, "a b&c|d\"e$f`g\\h");
                 f.WriteFile("share/applications/other.desktop", "someone else's");
             },
         .arguments = "--install-desktop-entry 'a b&c|d\"e$f`g\\h/My-Game'",
         .status = 0,
         .says = "installed",
         .file = "share/applications/My-Game.desktop",
         .fileHas = "Exec=\"{root}/a b&c|d\\\\\"e\\\\$f\\\\`g\\\\\\\\h/My-Game\"\n"
                    "Icon={root}/a b&c|d\"e$f`g\\\\h/icon.png\n"},
        {.what = "desktop entry: a file where the applications folder goes",
         .setup =
             [](const TempFolder& f) {
                 PackagedEntry(f, "pkg");
                 f.WriteFile("share/applications", "a file");
             },
         .arguments = "--install-desktop-entry pkg/My-Game",
         .status = 1,
         .says = "Not a directory; nothing was installed",
         .writesNothing = true},
    };
    return rows;
}

TEST(ToolWrites, NeverLoseAFileAndSayWhyTheyFail) {
    if (!fs::exists(kExe)) GTEST_SKIP() << "the executable is not built";
    TempFolder logs;
    for (const ToolWrite& row : Rows()) {
        SCOPED_TRACE(row.what);
        if (row.needsPermissions && geteuid() == 0) continue;
        TempFolder folder;
        row.setup(folder);
        const FileSnapshot before = SnapshotFiles(folder.Path());
        const int status = Shell("cd '" + folder.Path() + "' && " + row.shellPrefix + " env HOME='" +
                                 folder.Path() + "/home' XDG_DATA_HOME='" + folder.Path() +
                                 "/share' SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy '" + kExe + "' " +
                                 row.arguments + " >'" + logs.Path() + "/out.txt' 2>&1");
        Shell("chmod -R u+rwx '" + folder.Path() + "'");
        const std::string output = logs.ReadFile("out.txt");
        EXPECT_EQ(status, row.status) << output;
        EXPECT_NE(output.find(row.says), std::string::npos) << output;
        const FileSnapshot after = SnapshotFiles(folder.Path());
        EXPECT_EQ(LostFiles(before, after, row.mayChange), "");
        // The asset check before an export starts the game's settings in its save folder.
        if (row.writesNothing) {
            EXPECT_EQ(NewFiles(before, after, {"share/My Studio/My Game/"}), "");
        }
        if (row.file.empty()) continue;
        std::string expected = row.fileHas;
        for (size_t at; (at = expected.find("{root}")) != std::string::npos;)
            expected.replace(at, 6, folder.Path());
        EXPECT_NE(folder.ReadFile(row.file).find(expected), std::string::npos) << folder.ReadFile(row.file);
    }
}

}  // namespace

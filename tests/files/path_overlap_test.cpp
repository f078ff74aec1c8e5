#include "files/path_overlap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_folder.h"

// Pairs worked out by hand over a tree with a folder link: game/, game/assets/, dist/,
// link -> game, and out/ that does not exist yet.
TEST(PathOverlap, NestedLinkedAndDottedPathsOverlapSiblingsDoNot) {
    TempFolder folder;
    folder.WriteFile("game/assets/a.txt", "a");
    folder.WriteFile("dist/b.txt", "b");
    const std::string root = folder.Path();
    std::error_code ec;
    std::filesystem::create_directory_symlink(root + "/game", root + "/link", ec);
    if (ec) GTEST_SKIP() << "no folder links here: " << ec.message();
    struct Case {
        std::string a, b;
        bool overlap;
    };
    const Case cases[] = {
        {"game", "game", true},
        {"game", "game/assets", true},
        {"game/assets/", "game", true},
        {"game", "gameplay", false},  // a shared prefix of the name is not nesting
        {"game", "dist", false},
        {"link/assets", "game", true},  // through the link
        {"dist/../game/assets", "game", true},
        {"game/assets/out/new", "game", true},  // not there yet, inside all the same
        {"out/new", "game", false},
        {"", "game", false},
    };
    for (const Case& c : cases) {
        const std::string a = c.a.empty() ? "" : root + "/" + c.a, b = root + "/" + c.b;
        EXPECT_EQ(PathsOverlap(a, b), c.overlap) << c.a << " / " << c.b;
        EXPECT_EQ(PathsOverlap(b, a), c.overlap) << c.b << " / " << c.a;
    }
}

// `vrakko --api` lists the registered script functions; docs/authoring.md may name only
// functions from that list.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace {

const std::string kExe = std::string(VRAKKO_BINARY_DIR) + "/vrakko";

// Every name of the listing: each line is a dotted name or a global, then its aliases;
// the indented line under it is its signature.
std::set<std::string> ApiNames(const std::string& listing) {
    std::set<std::string> names;
    std::istringstream in(listing);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("    ", 0) == 0) continue;
        std::istringstream parts(line);
        for (std::string name; std::getline(parts, name, ';');) {
            name.erase(0, name.find_first_not_of(' '));
            if (!name.empty()) names.insert(name);
        }
    }
    return names;
}

// The script functions a Markdown text names: calls and bare names inside code spans and
// code blocks. Calls into module tables (attic.Start, public.Found) and Lua's own
// functions are not the engine's.
std::vector<std::string> NamedFunctions(const std::string& markdown) {
    static const std::set<std::string> kLua = {"function", "if",       "for",   "while", "pairs", "ipairs",
                                               "type",     "tostring", "print", "and",   "or",    "not"};
    std::string code;
    bool block = false;
    std::istringstream in(markdown);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("```", 0) == 0) {
            block = !block;
            continue;
        }
        if (block) {
            code += line + "\n";
            continue;
        }
        static const std::regex kSpan("`([^`]*)`");
        for (std::sregex_iterator it(line.begin(), line.end(), kSpan), end; it != end; ++it)
            code += (*it)[1].str() + "\n";
    }
    std::vector<std::string> names;
    static const std::regex kCall(R"(([A-Za-z_][\w.]*)\s*\()");
    static const std::regex kBare(R"(^([A-Z][A-Za-z_]*|vk\.[\w.]+)$)");
    std::istringstream lines(code);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> found;
        for (std::sregex_iterator it(line.begin(), line.end(), kCall), end; it != end; ++it)
            found.push_back((*it)[1].str());
        std::smatch bare;
        if (std::regex_match(line, bare, kBare)) found.push_back(bare[1].str());
        for (const std::string& name : found) {
            const size_t dot = name.find('.');
            if (kLua.count(name) || (dot != std::string::npos && name.compare(0, dot, "vk") != 0)) continue;
            names.push_back(name);
        }
    }
    return names;
}

class AuthoringGuide : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kExe)) GTEST_SKIP() << "the executable is not built";
        const std::string command = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy '" + kExe +
                                    "' --api --root '" + folder.Path() + "' >'" + folder.Path() +
                                    "/api.txt' 2>/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
        api = ApiNames(folder.ReadFile("api.txt"));
    }
    TempFolder folder;
    std::set<std::string> api;
};

TEST_F(AuthoringGuide, ApiListsEngineThenGameFunctionsInRegistrationOrder) {
    const std::string listing = folder.ReadFile("api.txt");
    // The first engine rows, the last engine row and the first game rows, in order.
    const char* const kRows[] = {"vk.msg.Send; MsgSend; SendMessage\n",
                                 "vk.msg.Subscribe; MsgSubscribe\n",
                                 "vk.obj.Set; ObjSet\n",
                                 "vk.config.GetData\n",
                                 "GetStrategyGuide\n",
                                 "DbgBreak\n"};
    size_t at = 0;
    for (const char* row : kRows) {
        const size_t found = listing.find(row, at);
        ASSERT_NE(found, std::string::npos) << row;
        EXPECT_TRUE(found == 0 || listing[found - 1] == '\n') << row;
        at = found + 1;
    }
    EXPECT_EQ(listing.rfind("vk.msg.Send;", 0), 0u);
    // Each function's signature follows it.
    EXPECT_NE(
        listing.find("vk.obj.Animate; ObjAnimate\n    vk.obj.Animate(object, parameter, loop, additive, "
                     "handler, keys)\n"),
        std::string::npos);
    EXPECT_NE(listing.find("PlaySfx\n    PlaySfx(name, loop = false, fade_in = 0)\n"), std::string::npos);
    EXPECT_GT(api.size(), 150u);
}

TEST_F(AuthoringGuide, NamesOnlyRegisteredFunctions) {
    std::ifstream in(std::string(VRAKKO_SOURCE_DIR) + "/docs/authoring.md");
    ASSERT_TRUE(in);
    const std::string guide{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::vector<std::string> named = NamedFunctions(guide);
    std::set<std::string> distinct;
    for (const std::string& name : named) {
        EXPECT_TRUE(api.count(name)) << "docs/authoring.md names " << name
                                     << ", which the build does not register";
        distinct.insert(name);
    }
    // The guide covers objects, handlers, sounds, texts, modules and saving.
    EXPECT_GE(distinct.size(), 30u);
    for (const char* expected : {"ObjSet", "ModLoad", "vk.mod.Load", "SndPlay", "PlaySfx", "SwitchLevel",
                                 "LoadCurrentProfile", "StringGet"})
        EXPECT_TRUE(distinct.count(expected)) << expected;
}

TEST_F(AuthoringGuide, AMisspelledOrInventedNameIsCaught) {
    struct Case {
        const char* text;
        const char* unknown;  // the name that is not registered, or "" when all are
    };
    const Case cases[] = {
        {"Call `ObjSett(\"a\", {})` to change it.", "ObjSett"},
        {"```lua\nfunction public.Go()\n    vk.obj.Teleport(\"a\")\nend\n```\n", "vk.obj.Teleport"},
        {"Use `SaveGame` to save.", "SaveGame"},
        {"```lua\nlocal t = attic.Start()\nObjAttach(\"a\", \"b\")\n```\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string unknown;
        for (const std::string& name : NamedFunctions(c.text))
            if (!api.count(name)) unknown = name;
        EXPECT_EQ(unknown, c.unknown);
    }
}

}  // namespace

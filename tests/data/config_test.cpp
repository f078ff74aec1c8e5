#include "data/config.h"

#include <gtest/gtest.h>

#include "data/exception.h"
#include "data/json.h"
#include "files/log.h"

namespace {
vK_DataPtr Document(const char* json) { return vK_DataPtr(ParseJson(json).release()); }
}  // namespace

TEST(Config, ExpansionResolvesReferencesOnce) {
    vK_Config config(Document(R"({"a": "x", "b": "{@a}-y", "r": "@a", "d": "{@missing}", "e": "{@a",
        "n": 5, "m": "@n", "t": {"k": [1, 2]}, "u": "@t", "w": "@nothing.here", "empty": "",
        "s": {"inner": "{@a}{@a}", "deep": "@t.k.1", "late": "@b"},
        "list": ["{@a}"], "z": "{@b}"})"));
    EXPECT_EQ(config.GetString("b", ""), "x-y");
    EXPECT_EQ(config.GetString("r", ""), "x");
    EXPECT_EQ(config.GetString("d", ""), "missing");
    EXPECT_EQ(config.GetString("e", ""), "{@a");
    EXPECT_EQ(config.GetData("m")->GetTag(), vK_Data::kInt);
    EXPECT_EQ(config.GetInt("m", 0), 5);
    ASSERT_NE(config.GetData("u")->AsTable(), nullptr);
    EXPECT_NE(config.GetData("u"), config.GetData("t"));
    EXPECT_EQ(config.GetInt("u.k.1", 0), 2);
    EXPECT_EQ(config.GetString("w", ""), "@nothing.here");
    EXPECT_EQ(config.GetString("empty", "def"), "");
    EXPECT_EQ(config.GetString("s.inner", ""), "xx");
    EXPECT_EQ(config.GetInt("s.deep", 0), 2);
    // Root replacements become visible only after the root's walk: "s" is walked
    // before they are stored, so it sees the unexpanded text.
    EXPECT_EQ(config.GetString("s.late", ""), "{@a}-y");
    // Strings inside arrays are not expanded; expansion is one pass.
    EXPECT_EQ(config.GetString("list.0", ""), "{@a}");
    EXPECT_EQ(config.GetString("z", ""), "{@a}-y");
}

TEST(Config, TypedLookupsWithDefaults) {
    vK_Config config(Document(R"({"f": 3.9, "g": -3.9, "l": 5000000000, "i": 42, "b": true, "d": 0.0,
        "list": [10, 20, 30]})"));
    EXPECT_EQ(config.GetInt("f", 0), 3);
    EXPECT_EQ(config.GetInt("g", 0), 0);  // -3.9 reads as a double, which GetInt refuses
    EXPECT_EQ(config.GetInt("l", -1), -1);
    EXPECT_EQ(config.GetString("d", "def"), "def");
    EXPECT_EQ(config.GetString("b", ""), "1");
    EXPECT_EQ(config.GetString("i", ""), "42");
    EXPECT_FLOAT_EQ(config.GetFloat("i", 0), 42.0f);
    EXPECT_TRUE(config.GetBool("b", false));
    EXPECT_EQ(config.GetInt("list.2", 0), 30);
    EXPECT_EQ(config.GetData(""), config.Root().get());
}

TEST(Config, GetOptionThrowsAfterLoggingWhenMissing) {
    vK_Config config(Document(R"({"present": "yes", "empty": "", "number": 7, "real": -1.5})"));
    vK_LogCapture log;
    EXPECT_EQ(config.GetOption("present"), "yes");
    EXPECT_EQ(config.GetOption("empty"), "");
    EXPECT_EQ(config.GetOption("number"), "7");
    EXPECT_EQ(log.Count(), 0);
    try {
        config.GetOption("save.folder");
        FAIL() << "no exception";
    } catch (const vK_Exception& e) {
        EXPECT_EQ(e.Message(), "Error: The option 'save.folder' is not found.");
    }
    EXPECT_EQ(log.Text(), "Error: The option 'save.folder' is not found.");
    EXPECT_THROW(config.GetOption("real"), vK_Exception);
}

TEST(Config, InstanceAndFallbackRoot) {
    EXPECT_EQ(vK_Config::Instance(), nullptr);
    {
        vK_Config config(nullptr);
        EXPECT_EQ(vK_Config::Instance(), &config);
        ASSERT_NE(config.Root()->AsTable(), nullptr);
        EXPECT_EQ(config.GetInt("x", 9), 9);
    }
    EXPECT_EQ(vK_Config::Instance(), nullptr);
    vK_LogCapture log;
    vK_Config config(Document("[1, 2]"));
    EXPECT_NE(config.Root()->AsTable(), nullptr);
    EXPECT_EQ(log.Count(), 1);
}

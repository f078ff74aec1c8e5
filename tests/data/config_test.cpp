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
    EXPECT_EQ(config.GetInt("g", 0), -3);
    EXPECT_EQ(config.GetInt("l", -1), 2147483647);
    EXPECT_EQ(config.GetString("d", "def"), "def");
    EXPECT_EQ(config.GetString("b", ""), "1");
    EXPECT_EQ(config.GetString("i", ""), "42");
    EXPECT_FLOAT_EQ(config.GetFloat("i", 0), 42.0f);
    EXPECT_TRUE(config.GetBool("b", false));
    EXPECT_EQ(config.GetInt("list.2", 0), 30);
    EXPECT_EQ(config.GetData(""), config.Root().get());
}

// Values written with more than nine significant digits read as doubles, large whole
// numbers as longs: every numeric lookup takes all four numeric kinds.
TEST(Config, NumericLookupsAcceptEveryNumericKind) {
    vK_Config config(Document(R"({"third": 0.3333333333, "one": 1.0000000000, "pi": 3.141592653589793,
        "neg": -2.7182818284, "big": 5000000000, "small": -5000000000, "s": "7", "b": true})"));
    ASSERT_EQ(config.GetData("third")->GetTag(), vK_Data::kDouble);
    ASSERT_EQ(config.GetData("big")->GetTag(), vK_Data::kLong);
    struct Case {
        const char* path;
        int32_t asInt;
        float asFloat;
    };
    const Case cases[] = {
        {"third", 0, 0.33333334f}, {"one", 1, 1.0f},          {"pi", 3, 3.1415927f},
        {"neg", -2, -2.7182818f},  {"big", 2147483647, 5e9f}, {"small", -2147483647 - 1, -5e9f},
        {"s", -9, -9.0f},          {"b", -9, -9.0f},          {"missing", -9, -9.0f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(config.GetInt(c.path, -9), c.asInt) << c.path;
        EXPECT_FLOAT_EQ(config.GetFloat(c.path, -9.0f), c.asFloat) << c.path;
    }
    // Property reads (the typed table getters) convert the same way.
    const vK_DataTable* root = config.Root()->AsTable();
    float f = 0;
    int32_t i = 0;
    ASSERT_TRUE(root->GetFloat("third", f));
    EXPECT_FLOAT_EQ(f, 0.33333334f);
    ASSERT_TRUE(root->GetInt("big", i));
    EXPECT_EQ(i, 2147483647);
    ASSERT_TRUE(root->GetFloat("big", f));
    EXPECT_FLOAT_EQ(f, 5e9f);
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

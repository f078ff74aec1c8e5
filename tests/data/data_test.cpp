#include "data/data.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <memory>

#include "files/log.h"

namespace {

class NamedScript : public vK_ScriptInterface {
public:
    std::string GetSource() const override { return "OnClick"; }
    bool IsEmpty() const override { return false; }
};

struct ConversionRow {
    const char* name;
    std::shared_ptr<vK_Data> value;
    int32_t as_int;
    int64_t as_long;
    float as_float;
    double as_double;
    bool as_bool;
    const char* as_text;
};

}  // namespace

// Every kind against every conversion, the values worked out by hand from the
// lenient conversion rules.
TEST(Data, ConversionMatrix) {
    auto array = std::make_shared<vK_DataArray>();
    array->PushInt(7);
    auto table = std::make_shared<vK_DataTable>();
    table->SetInt("a", 1);
    const ConversionRow rows[] = {
        {"null", std::make_shared<vK_Data>(), 0, 0, 0.0f, 0.0, false, ""},
        {"empty function", std::make_shared<vK_DataScriptFunction>(), 0, 0, 0.0f, 0.0, false, ""},
        {"named function", std::make_shared<vK_DataScriptFunction>(std::make_shared<NamedScript>()), 0, 0,
         0.0f, 0.0, false, "OnClick"},
        {"int", std::make_shared<vK_DataInt>(-42), -42, -42, -42.0f, -42.0, true, "-42"},
        {"int zero", std::make_shared<vK_DataInt>(0), 0, 0, 0.0f, 0.0, false, "0"},
        {"long", std::make_shared<vK_DataLong>(5000000000LL), 0, 5000000000LL, 0.0f, 0.0, true, "5000000000"},
        {"float", std::make_shared<vK_DataFloat>(3.9f), 3, 3, 3.9f, static_cast<double>(3.9f), true, "3.9"},
        {"negative float", std::make_shared<vK_DataFloat>(-3.9f), -3, -3, -3.9f, static_cast<double>(-3.9f),
         true, "-3.9"},
        {"float nan", std::make_shared<vK_DataFloat>(NAN), 0, 0, NAN, NAN, true, "nan"},
        {"double", std::make_shared<vK_DataDouble>(2.5), 2, 2, 2.5f, 2.5, true, "2.500000"},
        {"double huge", std::make_shared<vK_DataDouble>(1e300), INT32_MAX, INT64_MAX, INFINITY, 1e300, true,
         nullptr},
        {"bool true", std::make_shared<vK_DataBool>(true), 1, 1, 1.0f, 1.0, true, "1"},
        {"bool false", std::make_shared<vK_DataBool>(false), 0, 0, 0.0f, 0.0, false, "0"},
        {"string number", std::make_shared<vK_DataString>(" 12.75xyz"), 12, 12, 12.75f, 12.75, true,
         " 12.75xyz"},
        {"string true", std::make_shared<vK_DataString>("true"), 0, 0, 0.0f, 0.0, false, "true"},
        {"string huge", std::make_shared<vK_DataString>("99999999999"), INT32_MAX, INT32_MAX, 99999999999.0f,
         99999999999.0, true, "99999999999"},
        {"string tiny", std::make_shared<vK_DataString>("1e-400"), 1, 1, 0.0f, 0.0, true, "1e-400"},
        {"array", array, 0, 0, 0.0f, 0.0, false, ""},
        {"table", table, 0, 0, 0.0f, 0.0, false, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.value->GetInt(), row.as_int);
        EXPECT_EQ(row.value->GetLong(), row.as_long);
        if (std::isnan(row.as_float)) {
            EXPECT_TRUE(std::isnan(row.value->GetFloat()));
            EXPECT_TRUE(std::isnan(row.value->GetDouble()));
        } else {
            EXPECT_EQ(row.value->GetFloat(), row.as_float);
            EXPECT_EQ(row.value->GetDouble(), row.as_double);
        }
        EXPECT_EQ(row.value->GetBool(), row.as_bool);
        if (row.as_text) {
            EXPECT_EQ(row.value->ToString(), row.as_text);
        }
    }
}

TEST(Data, ToStringOfHugeDoubleIsWholeAndLocaleIndependent) {
    const char* previous = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    const std::string text = vK_DataDouble(1e300).ToString();
    EXPECT_EQ(text.size(), 301u + 7u);  // 301 integer digits, ".000000"
    EXPECT_EQ(text.substr(0, 4), "1000");
    EXPECT_EQ(vK_DataDouble(0.5).ToString(), "0.500000");
    EXPECT_EQ(vK_DataFloat(0.25f).ToString(), "0.25");
    EXPECT_EQ(vK_DataString("0.5").GetDouble(), 0.5);
    if (previous) std::setlocale(LC_NUMERIC, "C");
}

TEST(Data, TypeNames) {
    EXPECT_STREQ(vK_Data::TypeName(0), "Data_Null");
    EXPECT_STREQ(vK_Data::TypeName(1), "Data_ScriptFunction");
    EXPECT_STREQ(vK_Data::TypeName(9), "Data_Table");
    EXPECT_STREQ(vK_Data::TypeName(10), "unknown");
    EXPECT_STREQ(vK_Data::TypeName(-1), "unknown");
}

TEST(Data, FindDataWalksDottedPaths) {
    vK_DataTable root;
    vK_DataArray* list = root.SetArray("list");
    for (int i = 0; i < 3; ++i) list->PushInt(10 + i);
    root.SetString("name", "abc");
    vK_DataTable* a = root.SetTable("a");
    a->SetTable("")->SetInt("b", 99);
    a->SetInt("c", 5);
    struct Row {
        const char* path;
        const vK_Data* expected;
    };
    const Row rows[] = {
        {"", &root},
        {"list.2", list->GetAt(2)},
        {"list.-1", nullptr},
        {"list.x", list->GetAt(0)},
        {"list.3", nullptr},
        {"name.length", nullptr},
        {"a..b", a->Get("")->Get("b")},
        {"a.c.", a->Get("c")},
        {"missing.c", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(FindData(&root, row.path), row.expected);
    }
}

TEST(Data, TypedLookupsAcceptTheirKinds) {
    vK_DataTable root;
    root.SetFloat("f", 3.9f);
    root.SetFloat("g", -3.9f);
    root.Set("l", new vK_DataLong(5000000000LL));
    root.Set("d", new vK_DataDouble(1.5));
    root.SetBool("b", true);
    root.SetInt("i", 42);
    root.SetString("s", "7");
    EXPECT_EQ(FindInt(&root, "f", -1), 3);
    EXPECT_EQ(FindInt(&root, "g", -1), -3);
    EXPECT_EQ(FindInt(&root, "l", -1), 2147483647);  // numeric lookups take longs by value, saturated
    EXPECT_EQ(FindInt(&root, "d", -1), 1);
    EXPECT_EQ(FindInt(&root, "s", -1), -1);
    EXPECT_EQ(FindFloat(&root, "i", 0.0f), 42.0f);
    EXPECT_EQ(FindFloat(&root, "d", 0.5f), 1.5f);
    EXPECT_TRUE(FindBool(&root, "b", false));
    EXPECT_FALSE(FindBool(&root, "i", false));
    EXPECT_EQ(FindString(&root, "d", "def"), "def");
    EXPECT_EQ(FindString(&root, "b", "def"), "1");
    EXPECT_EQ(FindString(&root, "i", "def"), "42");
    EXPECT_EQ(FindString(&root, "l", "def"), "5000000000");
    EXPECT_EQ(FindString(&root, "none", "def"), "def");
}

TEST(Data, TableGettersReportMismatchesAndIgnoreAbsentKeys) {
    vK_DataTable t;
    t.SetArray("list");
    t.SetString("n", "12");
    vK_LogCapture log;
    int32_t i = -1;
    EXPECT_FALSE(t.GetInt("absent", i));
    EXPECT_EQ(log.Count(), 0);
    EXPECT_FALSE(t.GetInt("list", i));
    EXPECT_EQ(log.Text(), "Error: Can not convert a value of 'list' (Data_Array) to Data_Int");
    EXPECT_EQ(i, -1);
    EXPECT_TRUE(t.GetInt("n", i));
    EXPECT_EQ(i, 12);
    vK_DataScriptFunction f;
    EXPECT_FALSE(t.GetScriptFunction("list", f));
    EXPECT_TRUE(log.Contains("Error: Can not convert a value of 'list' (Data_Array) to Data_ScriptFunction"));
}

TEST(Data, SetReplacesAndCloneIsDeep) {
    vK_DataTable t;
    vK_DataArray* inner = t.SetArray("z");
    inner->PushArray()->PushInt(1);
    t.SetInt("a", 1);
    t.SetInt("a", 2);  // replaces (the old value is freed: ASan would report a leak)
    t.SetInt("m", 3);
    EXPECT_EQ(t.Size(), 3u);
    EXPECT_EQ(FindInt(&t, "a", 0), 2);
    std::unique_ptr<vK_Data> copy(t.Clone());
    inner->GetAt(0)->AsArray()->PushInt(2);
    EXPECT_EQ(FindData(copy.get(), "z.0")->AsArray()->Size(), 1u);
    std::string order;
    for (const auto& entry : t) order += entry.first;
    EXPECT_EQ(order, "amz");
}

// Text that overflows or underflows a double without an exponent saturates the
// way strtod does: many integer digits to infinity, many leading zeros to zero.
TEST(Data, TextToDoubleSaturatesLikeStrtod) {
    EXPECT_EQ(TextToDouble("1" + std::string(400, '0')), HUGE_VAL);
    EXPECT_EQ(TextToDouble("-1" + std::string(400, '0')), -HUGE_VAL);
    EXPECT_EQ(TextToDouble("0." + std::string(400, '0') + "1"), 0.0);
    EXPECT_EQ(TextToDouble("1e-400"), 0.0);
    EXPECT_EQ(TextToDouble("4e-320"), 4e-320);  // subnormal, kept
    EXPECT_EQ(TextToDouble("+-5"), 0.0);
    EXPECT_EQ(TextToDouble("  .5e1x"), 5.0);
}

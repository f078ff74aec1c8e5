#include "data/json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "data/data.h"
#include "files/log.h"

namespace {

std::string Write(const vK_Data& value, bool compact) {
    std::string out;
    WriteJson(&value, out, compact);
    return out;
}

std::string Styled(const char* json) {
    auto value = ParseJson(json);
    return value ? Write(*value, false) : "<null>";
}

}  // namespace

TEST(Json, NumberClassification) {
    struct Row {
        const char* text;
        int tag;
        double value;
    };
    const Row rows[] = {
        {"5", vK_Data::kInt, 5},
        {"-", vK_Data::kInt, 0},
        {"2147483647", vK_Data::kInt, 2147483647.0},
        {"-2147483648", vK_Data::kInt, -2147483648.0},
        {"2147483648", vK_Data::kLong, 2147483648.0},
        {"5000000000", vK_Data::kLong, 5000000000.0},
        {"18446744073709551617", vK_Data::kInt, 1},  // wraps modulo 2^64
        {"5.0", vK_Data::kFloat, 5},
        {"1e5", vK_Data::kFloat, 100000},
        {"1E+2", vK_Data::kFloat, 100},
        {"-5.0", vK_Data::kDouble, -5},
        {"0.0", vK_Data::kDouble, 0},
        {"1e40", vK_Data::kDouble, 1e40},
        {"1e400", vK_Data::kDouble, HUGE_VAL},
        {"1.5e-39", vK_Data::kDouble, 1.5e-39},
        {"1.1754944e-38", vK_Data::kFloat, static_cast<double>(1.1754944e-38f)},
        {"3.4028234e38", vK_Data::kFloat, static_cast<double>(3.4028234e38f)},
        {"3.4028235e38", vK_Data::kDouble, 3.4028235e38},
        {"0.123456789", vK_Data::kFloat, static_cast<double>(0.123456789f)},
        {"0.1234567891", vK_Data::kDouble, 0.1234567891},
        {"0.1000000000", vK_Data::kDouble, 0.1},
        {"1.2.3", vK_Data::kFloat, static_cast<double>(1.2f)},  // the longest number prefix
        {"-1-2", vK_Data::kDouble, -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        auto value = ParseJson(row.text);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->GetTag(), row.tag);
        if (row.tag == vK_Data::kLong) {
            EXPECT_EQ(value->GetLong(), static_cast<int64_t>(row.value));
        } else {
            EXPECT_EQ(value->GetDouble(), row.value);
        }
    }
}

TEST(Json, ErrorLinesAreExact) {
    struct Row {
        const char* text;
        const char* log;
    };
    const Row rows[] = {
        {R"({"a":1,})", "Error. vK_JsonParser : Missing '}' or object member name.1 Pos: 8 Error token: }"},
        {"[1,2,]",
         "Error. vK_JsonParser : Syntax error: value, object or array expected.1 Pos: 6 Error token: ]"},
        {"/* c */ {}",
         "Error. vK_JsonParser : Comments are not compatible.1 Pos: 1 Error token: /\n"
         "Error. vK_JsonParser : Syntax error: value, object or array expected.1 Pos: 1 Error token: /"},
        {R"({"a" 1})", "Error. vK_JsonParser : Missing ':' after object member name.1 Pos: 6 Error token: 1"},
        {R"({"a":1 "b":2})",
         "Error. vK_JsonParser : Missing ',' or '}' in object declaration.1 Pos: 10 Error token: \"b\""},
        {"[1 2]", "Error. vK_JsonParser : Missing ',' or ']' in array declaration.1 Pos: 4 Error token: 2"},
        {R"("\x")", "Error. vK_JsonParser : Bad escape sequence in string.1 Pos: 4 Error token: \"\\x\""},
        {R"("\u12")",
         "Error. vK_JsonParser : Bad unicode escape sequence in string: four digits expected.1 Pos: 6 Error "
         "token: "
         "\"\\u12\"\n"
         "Error. vK_JsonParser : Bad unicode sequence in string.1 Pos: 6 Error token: \"\\u12\""},
        {R"("\u12G4")",
         "Error. vK_JsonParser : Bad unicode escape sequence in string: hexadecimal digit expected.1 Pos: 8 "
         "Error "
         "token: \"\\u12G4\"\n"
         "Error. vK_JsonParser : Bad unicode sequence in string.1 Pos: 8 Error token: \"\\u12G4\""},
        {R"("\ud83d")",
         "Error. vK_JsonParser : additional six characters expected to parse unicode surrogate pair.1 Pos: 8 "
         "Error token: \"\\ud83d\"\n"
         "Error. vK_JsonParser : Bad unicode sequence in string.1 Pos: 8 Error token: \"\\ud83d\""},
        {R"("\ud83dxxxxxx")",
         "Error. vK_JsonParser : expecting another \\u token to begin the second half of a unicode surrogate "
         "pair.1 Pos: 14 Error token: \"\\ud83dxxxxxx\"\n"
         "Error. vK_JsonParser : Bad unicode sequence in string.1 Pos: 14 Error token: \"\\ud83dxxxxxx\""},
        {"-.", "Error. vK_JsonParser : string is not a number.1 Pos: 2 Error token: -."},
        {"tru",
         "Error. vK_JsonParser : Syntax error: value, object or array expected.1 Pos: 3 Error token: tru"},
        {"\"abc",
         "Error. vK_JsonParser : Syntax error: value, object or array expected.1 Pos: 4 Error token: \"abc"},
        {"", "Error. vK_JsonParser : Syntax error: value, object or array expected.1 Pos: 0 Error token: "},
        {"  x",
         "Error. vK_JsonParser : Syntax error: value, object or array expected.1 Pos: 3 Error token: x"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        vK_LogCapture log;
        EXPECT_EQ(ParseJson(row.text), nullptr);
        EXPECT_EQ(log.Text(), row.log);
    }
}

TEST(Json, ReportCutsLongTokensTo500Characters) {
    const std::string text = "\"" + std::string(2000, 'a');
    vK_LogCapture log;
    EXPECT_EQ(ParseJson(text), nullptr);
    EXPECT_EQ(
        log.Text(),
        "Error. vK_JsonParser : Syntax error: value, object or array expected.1 Pos: 2001 Error token: \"" +
            std::string(499, 'a'));
}

TEST(Json, NestingDeeperThanTheLimitFails) {
    const std::string ok = std::string(kJsonMaxDepth, '[') + std::string(kJsonMaxDepth, ']');
    EXPECT_NE(ParseJson(ok), nullptr);
    vK_LogCapture log;
    const std::string deep = std::string(100000, '[');
    EXPECT_EQ(ParseJson(deep), nullptr);
    EXPECT_EQ(log.Text(),
              "Error. vK_JsonParser : Nesting of objects and arrays is too deep.1 Pos: 1001 Error token: [");
}

TEST(Json, ValuesAndEscapes) {
    auto doc = ParseJson(R"( { "t" : true, "f": false, "n": null, "e": {}, "a": [ ], "b": [  	
 ], "s": "a\"b\\c\/d\b\f\n\r\t", "u": "\u00e9", "p": "\ud83d\ude00", "k": 1, "k": 2 } trailing text)");
    ASSERT_NE(doc, nullptr);
    const vK_DataTable* t = doc->AsTable();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Get("t")->GetTag(), vK_Data::kBool);
    EXPECT_TRUE(t->Get("t")->GetBool());
    EXPECT_FALSE(t->Get("f")->GetBool());
    EXPECT_TRUE(t->Get("n")->IsNull());
    EXPECT_TRUE(t->Get("e")->AsTable()->Empty());
    EXPECT_TRUE(t->Get("a")->AsArray()->Empty());
    EXPECT_TRUE(t->Get("b")->AsArray()->Empty());
    EXPECT_EQ(t->Get("s")->ToString(), "a\"b\\c/d\b\f\n\r\t");
    EXPECT_EQ(t->Get("u")->ToString(), "\xC3\xA9");
    EXPECT_EQ(t->Get("p")->ToString(), "\xF0\x9F\x98\x80");
    EXPECT_EQ(t->Get("k")->GetInt(), 2);
}

TEST(Json, StyledAndCompactGoldenTexts) {
    vK_DataTable t;
    t.SetInt("b", 1);
    vK_DataArray* a = t.SetArray("a");
    a->PushInt(1);
    a->PushInt(2);
    EXPECT_EQ(Write(t, false), "\n{\n\t\"a\" : [ 1, 2 ],\n\t\"b\" : 1\n}");
    EXPECT_EQ(Write(t, true), "{\"a\":[1,2],\"b\":1}");

    EXPECT_EQ(
        Styled(R"({"t": {"x": 1}, "e": {}, "l": [{"k": 1}], "z": [], "s": "q"})"),
        "\n{\n\t\"e\" : {},\n\t\"l\" : \n\t[\n\t\t\n\t\t{\n\t\t\t\"k\" : 1\n\t\t}\n\t],\n\t\"s\" : \"q\","
        "\n\t\"t\" : \n\t{\n\t\t\"x\" : 1\n\t},\n\t\"z\" : []\n}");
    EXPECT_EQ(Styled("{}"), "{}");
    EXPECT_EQ(Styled("[]"), "[]");
    EXPECT_EQ(Styled("[{}, [], null, true]"), "[ {}, [], null, true ]");
    // A filled container starts a multi-line array; an inner array that fits stays on one line.
    EXPECT_EQ(Styled("[[1]]"), "\n[\n\t[ 1 ]\n]");
    // A multi-line element starts with its own line feed after the element's one.
    std::string ones = "1", lines = "\t\t1";
    for (int i = 1; i < 25; ++i) ones += ",1", lines += ",\n\t\t1";
    EXPECT_EQ(Styled(("[[" + ones + "]]").c_str()), "\n[\n\t\n\t[\n" + lines + "\n\t]\n]");
    EXPECT_EQ(Write(vK_DataInt(7), false), "7");
    std::string out = "old";
    WriteJson(nullptr, out, true);
    EXPECT_EQ(out, "null");
}

TEST(Json, ArrayWrappingBoundaries) {
    auto ints = [](int n) {
        vK_DataArray a;
        for (int i = 0; i < n; ++i) a.PushInt(1);
        return Write(a, false);
    };
    // 23 one-digit ints: 2 + 2 * 23 + 23 = 71 columns, one line.
    EXPECT_EQ(ints(23).find('\n'), std::string::npos);
    EXPECT_EQ(ints(23).size(), 71u);
    // 24: 2 + 48 + 24 = 74, at the margin: one element per line.
    EXPECT_EQ(
        ints(24), "\n[\n\t1" + [] {
            std::string s;
            for (int i = 1; i < 24; ++i) s += ",\n\t1";
            return s;
        }() + "\n]");
    // 25 elements are multi-line by count alone (25 * 3 >= 74).
    const std::string many = ints(25);
    EXPECT_EQ(std::count(many.begin(), many.end(), '\n'), 27);
    auto one_string = [](size_t length) {
        vK_DataArray a;
        a.PushString(std::string(length, 'x'));
        return Write(a, false);
    };
    // One string of length L is 4 + L + 2 columns wide: 67 fits, 68 does not.
    EXPECT_EQ(one_string(67), "[ \"" + std::string(67, 'x') + "\" ]");
    EXPECT_EQ(one_string(68), "\n[\n\t\"" + std::string(68, 'x') + "\"\n]");
}

TEST(Json, QuotingEscapesControlBytes) {
    vK_DataArray a;
    a.PushString("tab\there");
    a.PushString(std::string("\x01", 1));
    a.PushString(std::string("nul\0", 4));
    a.PushString("q\"b\\\b\f\n\r\x1f\x7f\xC3\xA9");
    const std::string text = Write(a, true);
    EXPECT_EQ(text,
              "[\"tab\\there\",\"\\u0001\",\"nul\\u0000\",\"q\\\"b\\\\\\b\\f\\n\\r\\u001F\x7f\xC3\xA9\"]");
    auto back = ParseJson(text);
    ASSERT_NE(back, nullptr);
    for (unsigned i = 0; i < a.Size(); ++i) EXPECT_EQ(back->GetAt(i)->ToString(), a.GetAt(i)->ToString());
}

TEST(Json, RealNumbersAreWrittenToReadBackUnchanged) {
    struct Row {
        vK_Data* value;
        const char* text;
        int read_tag;
    };
    const Row rows[] = {
        {new vK_DataFloat(0.1f), "0.1", vK_Data::kFloat},
        {new vK_DataFloat(100.0f), "100.0", vK_Data::kFloat},
        {new vK_DataFloat(1e10f), "1e+10", vK_Data::kFloat},
        {new vK_DataFloat(-0.5f), "-0.5", vK_Data::kDouble},
        {new vK_DataFloat(-0.1f), "-0.10000000149011612", vK_Data::kDouble},
        {new vK_DataFloat(0.0f), "0.0", vK_Data::kDouble},
        {new vK_DataDouble(0.1), "0.1000000000", vK_Data::kDouble},
        {new vK_DataDouble(3.0), "3.0", vK_Data::kFloat},
        {new vK_DataDouble(-3.0), "-3.0", vK_Data::kDouble},
        {new vK_DataDouble(1e20), "1.000000000e+20", vK_Data::kDouble},
        {new vK_DataDouble(1e300), "1e+300", vK_Data::kDouble},
        {new vK_DataDouble(123456.0), "123456.0", vK_Data::kFloat},
        {new vK_DataDouble(1234567890123.0), "1234567890123.0", vK_Data::kDouble},
        {new vK_DataDouble(0.3333333333333333), "0.3333333333333333", vK_Data::kDouble},
    };
    for (const auto& row : rows) {
        std::unique_ptr<vK_Data> value(row.value);
        SCOPED_TRACE(row.text);
        EXPECT_EQ(Write(*value, true), row.text);
        EXPECT_EQ(Write(*value, false), row.text);
        auto back = ParseJson(row.text);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->GetTag(), row.read_tag);
        EXPECT_EQ(back->GetDouble(), value->GetDouble());
    }
}

TEST(Json, NanAndInfinityAreWrittenAsNull) {
    vK_DataTable t;
    t.Set("n", new vK_DataDouble(std::numeric_limits<double>::quiet_NaN()));
    t.SetFloat("i", -std::numeric_limits<float>::infinity());
    vK_LogCapture log;
    EXPECT_EQ(Write(t, true), "{\"i\":null,\"n\":null}");
    EXPECT_EQ(log.Count(), 2);
    EXPECT_TRUE(log.Contains("Warning: vK_JsonWriter : Data_Double value nan written as null"));
    EXPECT_TRUE(log.Contains("Warning: vK_JsonWriter : Data_Float value inf written as null"));
}

namespace {

class TreeMaker {
public:
    explicit TreeMaker(uint32_t seed) : rng_(seed) {}

    vK_Data* Make(int depth) {
        const int kind = depth > 3 ? static_cast<int>(rng_() % 7) : static_cast<int>(rng_() % 9);
        switch (kind) {
            case 0:
                return new vK_Data();
            case 1:
                return new vK_DataInt(static_cast<int32_t>(rng_()));
            case 2:
                return new vK_DataLong(static_cast<int64_t>(Bits64()) | (int64_t{1} << 40));
            case 3:
                return new vK_DataFloat(RandomFloat());
            case 4:
                return new vK_DataDouble(RandomDouble());
            case 5:
                return new vK_DataBool(rng_() & 1);
            case 6:
                return new vK_DataString(RandomText());
            case 7: {
                auto* a = new vK_DataArray();
                const int n = static_cast<int>(rng_() % 30);
                for (int i = 0; i < n; ++i) a->Push(Make(depth + 1));
                return a;
            }
            default: {
                auto* t = new vK_DataTable();
                const int n = static_cast<int>(rng_() % 8);
                for (int i = 0; i < n; ++i) t->Set(RandomText(), Make(depth + 1));
                return t;
            }
        }
    }

private:
    uint64_t Bits64() { return (static_cast<uint64_t>(rng_()) << 32) | rng_(); }

    float RandomFloat() {
        for (;;) {
            float f;
            if (rng_() % 2) {
                const uint32_t bits = rng_();
                std::memcpy(&f, &bits, sizeof f);
            } else {
                f = static_cast<float>(static_cast<int>(rng_() % 20001) - 10000) / 100.0f;
            }
            if (std::isfinite(f)) return f;
        }
    }

    double RandomDouble() {
        for (;;) {
            double d;
            switch (rng_() % 3) {
                case 0: {
                    const uint64_t bits = Bits64();
                    std::memcpy(&d, &bits, sizeof d);
                    break;
                }
                case 1:
                    d = static_cast<double>(RandomFloat());
                    break;
                default:
                    d = static_cast<double>(static_cast<int>(rng_() % 20001) - 10000) / 1000.0;
                    break;
            }
            if (std::isfinite(d)) return d;
        }
    }

    std::string RandomText() {
        std::string s(rng_() % 12, ' ');
        for (char& c : s) c = static_cast<char>(rng_() % 4 ? 'a' + rng_() % 26 : rng_() % 256);
        return s;
    }

    std::mt19937 rng_;
};

// Ints, longs, bools, strings, nulls and containers read back as they were; floats
// and doubles read back with the same value (a double that is exactly a float may
// come back as a float, a float outside the positive single range as a double).
void ExpectSameValue(const vK_Data& a, const vK_Data& b, const std::string& where) {
    const bool a_real = a.GetTag() == vK_Data::kFloat || a.GetTag() == vK_Data::kDouble;
    const bool b_real = b.GetTag() == vK_Data::kFloat || b.GetTag() == vK_Data::kDouble;
    if (a_real || b_real) {
        ASSERT_TRUE(a_real && b_real) << where;
        ASSERT_EQ(a.GetDouble(), b.GetDouble()) << where;
        if (static_cast<double>(static_cast<float>(a.GetDouble())) != a.GetDouble()) {
            ASSERT_EQ(b.GetTag(), vK_Data::kDouble) << where;
        }
        return;
    }
    ASSERT_EQ(a.GetTag(), b.GetTag()) << where;
    if (const vK_DataArray* x = a.AsArray()) {
        const vK_DataArray* y = b.AsArray();
        ASSERT_EQ(x->Size(), y->Size()) << where;
        for (unsigned i = 0; i < x->Size(); ++i)
            ExpectSameValue(*x->GetAt(i), *y->GetAt(i), where + "." + std::to_string(i));
    } else if (const vK_DataTable* x = a.AsTable()) {
        const vK_DataTable* y = b.AsTable();
        ASSERT_EQ(x->Size(), y->Size()) << where;
        for (const auto& [key, value] : *x) {
            ASSERT_TRUE(y->Has(key)) << where;
            ExpectSameValue(*value, *y->Get(key), where + "." + key);
        }
    } else {
        ASSERT_EQ(a.ToString(), b.ToString()) << where;
        ASSERT_EQ(a.GetLong(), b.GetLong()) << where;
    }
}

}  // namespace

TEST(Json, RandomTreesRoundTripInBothLayouts) {
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        TreeMaker maker(seed);
        auto* root = new vK_DataTable();
        std::unique_ptr<vK_Data> owner(root);
        for (int i = 0; i < 6; ++i) root->Set("k" + std::to_string(i), maker.Make(0));
        for (bool compact : {false, true}) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << (compact ? " compact" : " styled"));
            const std::string text = Write(*root, compact);
            auto back = ParseJson(text);
            ASSERT_NE(back, nullptr) << text;
            ExpectSameValue(*root, *back, "root");
            EXPECT_EQ(Write(*back, compact), compact ? text : Write(*back, false));
        }
    }
}

TEST(Json, RandomRealBitPatternsReadBackExactly) {
    std::mt19937_64 rng(7);
    for (int i = 0; i < 100000; ++i) {
        const uint64_t bits = rng();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        float f;
        const auto low = static_cast<uint32_t>(bits);
        std::memcpy(&f, &low, sizeof f);
        const vK_DataDouble as_double(d);
        const vK_DataDouble float_as_double(static_cast<double>(f));
        const vK_DataFloat as_float(f);
        for (const vK_Data* value :
             {static_cast<const vK_Data*>(&as_double), static_cast<const vK_Data*>(&float_as_double),
              static_cast<const vK_Data*>(&as_float)}) {
            if (!std::isfinite(value->GetDouble())) continue;
            const std::string text = Write(*value, true);
            auto back = ParseJson(text);
            ASSERT_NE(back, nullptr) << text;
            ASSERT_EQ(back->GetDouble(), value->GetDouble()) << text;
            ASSERT_TRUE(back->GetTag() == vK_Data::kFloat || back->GetTag() == vK_Data::kDouble) << text;
        }
    }
}

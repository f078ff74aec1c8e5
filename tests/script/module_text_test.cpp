#include <gtest/gtest.h>

#include "data/data.h"
#include "files/log.h"
#include "script/module_header.h"
#include "script/xml_data.h"

TEST(ModuleHeader, NameWordAndLineEmptied) {
    struct Case {
        std::string text;
        bool found;
        std::string name;
        std::string code;
    } cases[] = {
        // The header line is emptied, not removed: the code keeps its line numbers.
        {"-- name=menu\nlocal a = 1\n", true, "menu", "\nlocal a = 1\n"},
        {"-- name=menu\r\nlocal a = 1\r\n", true, "menu", "\nlocal a = 1\r\n"},
        {"\xEF\xBB\xBF-- name=menu\nx = 1", true, "menu", "\nx = 1"},
        {"--name=menu\nx", true, "menu", "\nx"},
        {"--   name=  menu extra\nx", true, "menu", "\nx"},
        {"-- name=menu", true, "menu", "-- name=menu"},  // no line break: code kept whole
        {"\xEF\xBB\xBFx = 1", false, "keep", "x = 1"},
        {" -- name=menu\nx", false, "keep", " -- name=menu\nx"},
        {"-- name=\n", true, "keep", "-- name=\n"},  // no word: nothing changes
        {"-- nam=menu\nx", false, "keep", "-- nam=menu\nx"},
        {"", false, "keep", ""},
    };
    // "-- name=\n" has no word at all, so it is no header.
    cases[8].found = false;
    for (Case& c : cases) {
        std::string code = c.text;
        std::string name = "keep";
        EXPECT_EQ(ApplyModuleHeader(code, name), c.found) << c.text;
        EXPECT_EQ(name, c.name) << c.text;
        EXPECT_EQ(code, c.code) << c.text;
    }
}

TEST(ModuleHeader, LongNameIsKeptWhole) {
    const std::string long_name(5000, 'n');
    std::string code = "-- name=" + long_name + "\nreturn";
    std::string name;
    ASSERT_TRUE(ApplyModuleHeader(code, name));
    EXPECT_EQ(name, long_name);
    EXPECT_EQ(code, "\nreturn");
}

TEST(XmlToData, ElementWithAttributeChildAndLaterText) {
    auto data = XmlToData("<a x=\"1\"><b/>hi</a>");
    ASSERT_EQ(data->Size(), 1u);
    const vK_DataTable* a = data->Get("a")->AsTable();
    ASSERT_TRUE(a);
    EXPECT_EQ(a->Get("x")->GetTag(), vK_Data::kString);
    EXPECT_EQ(a->Get("x")->ToString(), "1");
    EXPECT_EQ(a->Get("__type")->ToString(), "a");
    EXPECT_FALSE(a->Has("__text"));
    const vK_DataArray* childs = a->Get("__childs")->AsArray();
    ASSERT_TRUE(childs);
    ASSERT_EQ(childs->Size(), 1u);
    EXPECT_EQ(childs->GetAt(0)->Get("__type")->ToString(), "b");
    EXPECT_FALSE(childs->GetAt(0)->Has("__childs"));
}

TEST(XmlToData, TextFirstAndChildOrder) {
    auto data = XmlToData("<r>hello<c n=\"1\"/><c n=\"2\">in</c></r>");
    const vK_Data* r = data->Get("r");
    EXPECT_EQ(r->Get("__text")->ToString(), "hello");
    const vK_DataArray* childs = r->Get("__childs")->AsArray();
    ASSERT_EQ(childs->Size(), 2u);
    EXPECT_EQ(childs->GetAt(0)->Get("n")->ToString(), "1");
    EXPECT_EQ(childs->GetAt(1)->Get("__text")->ToString(), "in");
}

TEST(XmlToData, BadTextGivesEmptyTableAndLogLine) {
    for (const char* text : {"", "<a><b></a>", "not xml", "<a x=1/>"}) {
        vK_LogCapture log;
        auto data = XmlToData(text);
        EXPECT_TRUE(data->Empty()) << text;
        EXPECT_EQ(log.Count(), 1) << text;
    }
}

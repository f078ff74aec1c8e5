#include "data/string_table.h"

#include <gtest/gtest.h>

#include "data/data.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "support/temp_folder.h"

namespace {

std::string Table(const std::string& rows) {
    return "<?xml version=\"1.0\"?><strings><table>" + rows + "</table></strings>";
}
std::string Row(const std::string& id, const std::string& text) {
    return "<row><id>" + id + "</id><text>" + text + "</text></row>";
}

}  // namespace

TEST(StringTable, GetResolvesParametersAndReferences) {
    vK_StringTable store;
    store.Set("HELLO", "Hello, %1%!");
    store.Set("A", "x%B%y");
    store.Set("B", "123");
    store.Set("OFF", "50%% off");
    store.Set("P", "[%1%]");
    store.Set("P6", "%6%");
    store.Set("P0", "%0%");
    store.Set("P01", "<%01%>");
    store.Set("TWO", "%2%-%1%");
    store.Set("MISSREF", "x%NOPE%y");
    store.Set("SELF", "a%SELF%b");
    struct Case {
        const char* id;
        std::string p1, p2;
        const char* expected;
    };
    const Case cases[] = {
        {"HELLO", "World", "", "Hello, World!"},
        {"A", "", "", "x123y"},
        {"OFF", "", "", "50% off"},
        {"P", "%B%", "", "[123]"},
        {"P", "%%", "", "[%]"},
        {"P", "%NOPE%", "", "P"},
        {"P6", "", "", "P6"},
        {"P0", "", "", "P0"},
        {"P01", "a", "", "<a>"},
        {"TWO", "1", "2", "2-1"},
        {"MISSREF", "", "", "MISSREF"},
        {"SELF", "", "", "aa%SELF%bb"},  // references are not scanned again
        {"MISSING", "", "", "MISSING"},
        {"", "", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(store.Get(c.id, c.p1, c.p2), c.expected) << c.id << " " << c.p1;
}

TEST(StringTable, PercentSignsGiveSaneTexts) {
    vK_StringTable store;
    store.Set("TAIL", "100%");
    store.Set("MID", "a%b c");
    store.Set("P", "<%1%>");
    store.Set("PP", "%1%%1%%1%");
    vK_LogCapture log;
    EXPECT_EQ(store.Get("TAIL"), "100%");
    EXPECT_EQ(store.Get("MID"), "a%b c");
    EXPECT_TRUE(log.Contains("Error: non-matched percent escape found in string MID, 'a%b c'"));
    // A parameter is text unless it starts with '%'; then it must be "%%" or a
    // "%id%" reference, and anything else fails the lookup, which gives the id.
    struct Case {
        const char* param;
        const char* expected;
    };
    const Case cases[] = {
        {"50% off", "<50% off>"}, {"%", "P"}, {"%1%1", "P"}, {"%x", "P"}, {"%%", "<%>"}, {"%%%", "P"},
    };
    for (const Case& c : cases) EXPECT_EQ(store.Get("P", c.param), c.expected) << c.param;
    // A reference parameter expands once; its text is not scanned again.
    EXPECT_EQ(store.Get("PP", "%P%"), "<%1%><%1%><%1%>");
}

TEST(StringTable, LaterFilesOverrideAndBadFilesKeepTheStore) {
    TempFolder folder;
    vK_FileManager fm;
    fm.SetAssetRoot(folder.Path());
    fm.RegisterProviders();
    folder.WriteFile("assets/a.xml",
                     Table(Row("X", "first") + Row("Y", "y") + "<row><id></id><text>e</text></row>" +
                           "<row><text>no id</text></row>" + "<row><id>NOTEXT</id></row>"));
    folder.WriteFile("assets/b.xml", "<?xml version=\"1.0\"?><strings><table>" + Row("X", "second") +
                                         "</table><table>" + Row("Z", "z &amp; more") + "</table></strings>");
    folder.WriteFile("assets/broken.xml", "<strings><table><row><id>X</id>");
    folder.WriteFile("assets/noroot.xml", "<other/>");
    vK_StringTable store;
    ASSERT_TRUE(store.Load("assets/a"));
    EXPECT_EQ(store.Size(), 3u);
    EXPECT_EQ(store.Get("NOTEXT"), "");
    ASSERT_TRUE(store.Load("assets/b"));
    EXPECT_EQ(store.Get("X"), "second");
    EXPECT_EQ(store.Get("Z"), "z & more");

    vK_LogCapture log;
    EXPECT_FALSE(store.Load("assets/broken"));
    EXPECT_TRUE(log.Contains("Error: can't parse assets/broken.xml"));
    EXPECT_FALSE(store.Load("assets/noroot"));
    EXPECT_TRUE(log.Contains("Error: root element 'strings' not found assets/noroot.xml"));
    EXPECT_FALSE(store.Load("assets/none"));
    EXPECT_TRUE(log.Contains("Error: file not found assets/none.xml."));
    EXPECT_TRUE(log.Contains("Error: can't load assets/none.xml"));
    EXPECT_EQ(store.Size(), 4u);
    EXPECT_EQ(store.Get("Y"), "y");

    // The configuration's list: every element, converted to a string.
    vK_StringTable listed;
    vK_DataArray list;
    list.PushString("assets/a");
    list.PushString("assets/b");
    listed.LoadList(&list);
    EXPECT_EQ(listed.Get("X"), "second");
    vK_DataString single("assets/a");
    vK_StringTable none;
    none.LoadList(&single);
    EXPECT_EQ(none.Size(), 0u);
}

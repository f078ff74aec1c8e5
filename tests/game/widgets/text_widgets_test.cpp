// The text widgets against DejaVu Sans (fonts-dejavu-core) at fixed sizes: how
// "textadapt" fits labels and how "textedit" takes typed characters.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "core/input_event.h"
#include "files/file_manager.h"
#include "game/widgets/text_adapt.h"
#include "game/widgets/text_edit.h"
#include "graphics/font.h"
#include "graphics/font_scrambler.h"
#include "graphics/glyph_rasterizer.h"
#include "graphics/resource_manager.h"
#include "graphics/texture.h"
#include "support/recording_render.h"
#include "support/script_scene.h"
#include "support/temp_folder.h"

namespace {
using Records = std::vector<ScriptSceneFixture::Record>;

class TextWidgets : public ::testing::Test, public ScriptSceneFixture {
protected:
    void SetUp() override {
        vY_TextAdapt::RegisterType();
        vY_TextEdit::RegisterType();
        files.SetAssetRoot(folder.Path());
        files.SetSaveFolder(folder.Path() + "/save");
        files.SetIdentity("Publisher", "Game");
        files.RegisterProviders();
        resources.SetFactory(vK_ResourceManager::kFont,
                             []() -> std::shared_ptr<vK_Resource> { return std::make_shared<vK_Font>(); });
        std::ifstream in("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", std::ios::binary);
        const std::vector<uint8_t> plain{std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>()};
        ASSERT_FALSE(plain.empty()) << "fonts-dejavu-core is needed";
        const std::vector<uint8_t> scrambled = vK_FontScrambler::Scramble(plain.data(), plain.size());
        folder.WriteFile("assets/fonts/sans.vkfnt", std::string(scrambled.begin(), scrambled.end()));
    }

    // An object of type with the font and the properties of a Lua table constructor body.
    template <typename T>
    T* Make(const char* type, const std::string& name, const std::string& props) {
        EXPECT_TRUE(Lua("__props = {res = 'assets/fonts/sans', " + props + "}"));
        auto* object = static_cast<T*>(vK_Object::CreateObject(type, name));
        std::unique_ptr<vK_Data> table = hub.GetGlobal("__props");
        object->SetProperties(*table->AsTable());
        scene->GetLiveRoot()->AddChild(object);
        return object;
    }
    int RenderedWidth(const std::string& text, int size) {
        auto font = std::dynamic_pointer_cast<vK_Font>(resources.GetFont("assets/fonts/sans"));
        vK_TextStyle style;
        style.fontsize = size;
        vK_TextBitmap block;
        font->RenderBitmap(text, -1, style, block);
        return block.width;
    }
    int Advance(int32_t code, int size) {
        auto font = std::dynamic_pointer_cast<vK_Font>(resources.GetFont("assets/fonts/sans"));
        font->SetSize(-1, size);
        return font->GetAdvance(code, 0);
    }
    void Key(int key) { Input(vK_InputEvent::kKeyDown, key, 0); }
    void Char(int code) { Input(vK_InputEvent::kChar, 0, code); }
    void Type(const std::string& ascii) {
        for (char c : ascii) Char(static_cast<unsigned char>(c));
    }
    void Input(vK_InputEvent::Type type, int key, int code) {
        vK_InputEvent event;
        event.type = type;
        event.key = key;
        event.code = code;
        event.x = event.y = -10000.0f;  // far from every object
        scene->DispatchInput(event);
    }

    TempFolder folder;
    vK_FileManager files;
    vK_ResourceManager resources;
    vK_RecordingRender render{1024, 768};
    vK_GlyphRasterizer rasterizer;
};

// Measures with a fixed advance per code point at every size.
vY_TextAdapt::Measurer FakeMeasure(int letter, int space, int* calls) {
    return [=](const std::string& text, int size) {
        ++*calls;
        return vY_TextAdapt::Line(text, size, [=](int32_t code) { return code == ' ' ? space : letter; });
    };
}

}  // namespace

// Widths of DejaVu Sans measured with FreeType 2.12 (block width = advances + size / 2,
// even): "Old key" 82 at 20; "Brass pocket watch" 198 at 20; "Brass pocket watch chain"
// 256, 244, 230, 212 at 20..17; the long label 308 at 16, and its longest cut within
// 180 / 0.8 = 225 is "Silver candlestick with a b..." at 222.
TEST_F(TextWidgets, TextAdapt_LowersTheSizeThenSqueezesThenCuts) {
    struct Case {
        const char* label;
        int fontSize;
        float scale;
        const char* shown;
        int width;
    };
    const Case cases[] = {
        {"Old key", 20, 1.0f, "Old key", 82},
        {"Brass pocket watch", 20, 180.0f / 198.0f, "Brass pocket watch", 198},
        {"Brass pocket watch chain", 17, 180.0f / 212.0f, "Brass pocket watch chain", 212},
        {"Silver candlestick with a broken handle", 16, 0.8f, "Silver candlestick with a b...", 222},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        auto* label = Make<vY_TextAdapt>(
            "textadapt", "label", "maxwidth = 180, disprawtext = 1, text = '" + std::string(c.label) + "'");
        EXPECT_EQ(label->GetType(), "textadapt");
        EXPECT_EQ(label->GetFontSize(), c.fontSize);
        EXPECT_NEAR(label->GetScaleX(), c.scale, 1e-5f);
        EXPECT_EQ(label->GetShownText(), c.shown);
        ASSERT_NE(label->GetRenderedTexture(), nullptr);
        EXPECT_EQ(label->GetRenderedTexture()->GetWidth(), c.width);
        EXPECT_EQ(RenderedWidth(c.shown, c.fontSize), c.width);
        EXPECT_FALSE(label->IsTickerActive());
        vK_Object::Destroy(label);
    }
}

TEST_F(TextWidgets, TextAdapt_TickerRunsOneCharacterPerLetterDelayAndWraps) {
    const std::string text = "Silver candlestick with a broken handle";
    auto* label =
        Make<vY_TextAdapt>("textadapt", "ticker",
                           "maxwidth = 180, disprawtext = 1, shorttext_type = 1, delay_letter = 0.25,"
                           " text = '" +
                               text + "'");
    ASSERT_TRUE(label->IsTickerActive());
    EXPECT_EQ(label->GetFontSize(), 16);
    EXPECT_FLOAT_EQ(label->GetScaleX(), 0.8f);
    // The lead-in: the fewest spaces before "S" that make the block at least 225 wide.
    const std::string& ticker = label->GetTickerString();
    const size_t spaces = ticker.find('S');
    ASSERT_NE(spaces, std::string::npos);
    EXPECT_GE(RenderedWidth(std::string(spaces, ' ') + "S", 16), 225);
    EXPECT_LT(RenderedWidth(std::string(spaces - 1, ' ') + "S", 16), 225);
    EXPECT_EQ(ticker, std::string(spaces, ' ') + text + std::string(spaces, ' '));

    const int measured = label->GetMeasureCount();
    const int rendered = label->GetRenderCount();
    Frame(0.2f);  // before the delay: no step
    EXPECT_EQ(label->GetTickerIndex(), 0);
    const std::string first = label->GetShownText();
    Frame(0.1f);  // a step shows the window at the index, then moves on
    EXPECT_EQ(label->GetTickerIndex(), 1);
    EXPECT_EQ(label->GetShownText(), first);
    Frame(0.25f);
    EXPECT_EQ(label->GetTickerIndex(), 2);
    // The window from index 1: as much of the string as fits 225 pixels.
    const std::string window = label->GetShownText();
    EXPECT_EQ(ticker.compare(1, window.size(), window), 0);
    EXPECT_LE(RenderedWidth(window, 16), 225);
    EXPECT_GT(RenderedWidth(ticker.substr(1, window.size() + 1), 16), 225);
    // It wraps after the last index: length - lead, with lead = spaces + 1.
    const int last = static_cast<int>(ticker.size() - (spaces + 1));
    for (int step = 3; step <= last; ++step) Frame(0.25f);
    EXPECT_EQ(label->GetTickerIndex(), last);
    Frame(0.25f);
    EXPECT_EQ(label->GetTickerIndex(), 0);
    // Each step renders its window; none measures the text again.
    EXPECT_EQ(label->GetMeasureCount(), measured);
    EXPECT_EQ(label->GetRenderCount(), rendered + last + 1);
    // A refresh that fits stops the ticker.
    label->SetMaxWidth(-1);
    EXPECT_FALSE(label->IsTickerActive());
    EXPECT_EQ(label->GetShownText(), text);
}

TEST(TextAdaptFit, EllipsisWiderThanTheWidthEndsWithTheEllipsisAlone) {
    // Letters 10 wide at size 16: "abcdef" is 68 wide, "..." alone 38, both beyond
    // 10 / 0.8 = 12.5. Cutting ends when no character is left to drop.
    int calls = 0;
    vY_TextAdapt::FitRules rules;
    rules.maxWidth = 10;
    rules.minFontSize = rules.maxFontSize = 16;
    const vY_TextAdapt::Fit fit = vY_TextAdapt::FitText("abcdef", rules, FakeMeasure(10, 10, &calls));
    EXPECT_EQ(fit.shown, "...");
    EXPECT_FLOAT_EQ(fit.scaleX, 0.8f);
    EXPECT_EQ(calls, 2);  // the text and the text with "...": never once per character
}

TEST(TextAdaptFit, TickerLeadAndStepsWithAndWithoutAWideSpace) {
    // "abcdef" at letters of 10 in a 40 window (50 before the 0.8 squeeze).
    struct Case {
        int space;
        const char* ticker;
        int lead;
        const char* windows[7];  // shown at index 0, 1, ...
        int wrapsAfter;          // the last index before 0
    };
    const Case cases[] = {
        // Lead: spaces while 50 > even(10 s + 10 + 8): s = 4 (58).
        {10, "    abcdef    ", 5, {"    ", "   a", "  ab", " abc", "abcd", "bcde", "cdef"}, 9},
        // A space of no width cannot fill the window: the bare text runs, and still moves.
        {0, "abcdef", 1, {"abcd", "bcde", "cdef", "def", "ef", "f", "abcd"}, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.space);
        int calls = 0;
        vY_TextAdapt::FitRules rules;
        rules.maxWidth = 40;
        rules.minFontSize = rules.maxFontSize = 16;
        rules.shortTextType = 1;
        const vY_TextAdapt::Fit fit =
            vY_TextAdapt::FitText("abcdef", rules, FakeMeasure(10, c.space, &calls));
        ASSERT_TRUE(fit.ticker);
        EXPECT_EQ(fit.tickerString, c.ticker);
        EXPECT_EQ(fit.tickerLead, c.lead);
        EXPECT_FLOAT_EQ(fit.tickerWidth, 50.0f);
        int index = 0;
        for (int step = 0; step < 7; ++step) {
            std::string shown;
            const int next =
                vY_TextAdapt::TickerStep(fit.tickerLine, index, fit.tickerLead, fit.tickerWidth, shown);
            EXPECT_EQ(shown, c.windows[step]) << step;
            EXPECT_EQ(next, index == c.wrapsAfter ? 0 : index + 1);
            index = next;
        }
    }
}

TEST_F(TextWidgets, TextEdit_TypingBackspaceDeleteAndCursorMoves) {
    auto* field = Make<vY_TextEdit>("textedit", "name", "text = ''");
    EXPECT_EQ(field->GetType(), "textedit");
    EXPECT_TRUE(field->GetDisplayRaw());
    struct Step {
        vK_InputEvent::Type type;  // kChar or kKeyDown
        int value;
        const char* typed;
        size_t cursor;
    };
    const vK_InputEvent::Type C = vK_InputEvent::kChar, K = vK_InputEvent::kKeyDown;
    const Step steps[] = {
        {C, 'A', "A", 1},
        {C, 'n', "An", 2},
        {C, 'n', "Ann", 3},
        {K, vY_TextEdit::kKeyBackspace, "An", 2},
        {K, vY_TextEdit::kKeyLeft, "An", 1},
        {K, vY_TextEdit::kKeyLeft, "An", 0},
        {K, vY_TextEdit::kKeyLeft, "An", 0},
        {K, vY_TextEdit::kKeyBackspace, "An", 0},  // nothing before the cursor
        {K, vY_TextEdit::kKeyRight, "An", 1},
        {C, 'x', "Axn", 2},
        {K, vY_TextEdit::kKeyDelete, "Ax", 2},
        {K, vY_TextEdit::kKeyDelete, "Ax", 2},  // nothing after the cursor
        {K, vY_TextEdit::kKeyRight, "Ax", 2},
        {C, 0xE9, "Ax\xC3\xA9", 3},  // é, stored as UTF-8
    };
    for (const Step& s : steps) {
        Input(s.type, s.type == K ? s.value : 0, s.type == C ? s.value : 0);
        EXPECT_EQ(field->GetTyped(), s.typed) << s.value;
        EXPECT_EQ(field->GetCursor(), s.cursor) << s.value;
    }
    Frame();
    EXPECT_EQ(field->GetText(), "Ax\xC3\xA9");
    ASSERT_NE(field->GetRenderedTexture(), nullptr);
    EXPECT_EQ(field->GetRenderedTexture()->GetWidth(), RenderedWidth("Ax\xC3\xA9", 20));
}

TEST_F(TextWidgets, TextEdit_MaxCharsRefusesTypingButEnterStillTriggers) {
    // The trigger reads the text typed in the same frame, before any update.
    auto* field = Make<vY_TextEdit>(
        "textedit", "code",
        "maxchars = 3, trg_enter = \"Rec(ObjGet(vk_params.sender).text, vk_params.sender)\"");
    Type("abcd");
    EXPECT_EQ(field->GetTyped(), "abc");
    EXPECT_TRUE(Take().empty());
    Key(vY_TextEdit::kKeyEnter);
    EXPECT_EQ(Take(), (Records{{"abc", "code"}}));
    Frame();
    EXPECT_EQ(field->GetText(), "abc");  // the field keeps its text
}

TEST_F(TextWidgets, TextEdit_AllowedCharactersAreCodePoints) {
    // ä is C3 A4 in UTF-8: Ã (U+00C3) shares its first byte and must not pass; 𝔸 (U+1D538)
    // arrives as two UTF-16 units.
    auto* digits = Make<vY_TextEdit>("textedit", "digits",
                                     "allowed_characters = '\xC3\xA4\xC3\x9F"
                                     "0123456789'");
    struct Case {
        std::vector<int> units;
        bool accepted;
    };
    const Case cases[] = {
        {{0xE4}, true},   // ä
        {{0xC3}, false},  // Ã
        {{0xA4}, false},  // ¤, the second byte of ä
        {{'7'}, true},
        {{'a'}, false},
        {{0xDF}, true},             // ß
        {{0xD835, 0xDD38}, false},  // 𝔸, not in the set
    };
    for (const Case& c : cases) {
        const size_t before = digits->GetChars().size();
        for (int unit : c.units) Char(unit);
        EXPECT_EQ(digits->GetChars().size(), before + (c.accepted ? 1 : 0)) << c.units[0];
    }
    EXPECT_EQ(digits->GetTyped(),
              "\xC3\xA4"
              "7\xC3\x9F");
    vK_Object::Destroy(digits);

    auto* any = Make<vY_TextEdit>("textedit", "any", "allowed_characters = ''");
    Char(0xD835);
    Char(0xDD38);
    Char(0xDD38);  // a low surrogate without its high one is dropped
    EXPECT_EQ(any->GetTyped(), "\xF0\x9D\x94\xB8");
}

TEST_F(TextWidgets, TextEdit_ClearOnFirstInputAndTheTextProperty) {
    auto* field = Make<vY_TextEdit>("textedit", "name", "clearonfirstinput = 1, text = 'Your name'");
    EXPECT_EQ(field->GetChars().size(), 9u);
    EXPECT_EQ(field->GetCursor(), 9u);
    Type("B");
    EXPECT_EQ(field->GetTyped(), "B");
    Type("o");
    Key(vY_TextEdit::kKeyBackspace);
    EXPECT_EQ(field->GetTyped(), "B");  // cleared once only
    // A property write arms it again; a backspace at the start clears too.
    vK_DataTable props;
    props.SetString("text", "Zo\xC3\xAB");  // a non-ASCII name keeps its characters
    field->SetProperties(props);
    EXPECT_EQ(field->GetChars().size(), 3u);
    EXPECT_EQ(field->GetTyped(), "Zo\xC3\xAB");
    Key(vY_TextEdit::kKeyLeft);
    Key(vY_TextEdit::kKeyLeft);
    Key(vY_TextEdit::kKeyLeft);
    Key(vY_TextEdit::kKeyBackspace);
    EXPECT_EQ(field->GetTyped(), "");
}

TEST_F(TextWidgets, TextEdit_CursorFollowsTheWrappedTextAndBlinks) {
    // Left and top aligned at 20 px, wrapped at 100: "Hello world" breaks at the space.
    auto* field =
        Make<vY_TextEdit>("textedit", "wrap", "align = 0, align_v = 0, maxwidth = 100, text = 'Hello world'");
    Frame();
    ASSERT_NE(field->GetRenderedTexture(), nullptr);
    EXPECT_EQ(field->GetRenderedTexture()->GetHeight(), 50);  // 1.5 * 20 + 20: two lines
    int world = 0;
    for (char c : std::string("world")) world += Advance(c, 20);
    struct Case {
        int lefts;  // left presses from the end
        float x, y;
    };
    const Case cases[] = {
        {0, 5.0f + world + 1, 25.0f + 20.0f},  // end of the second line
        {5, 5.0f + 0 + 1, 25.0f + 20.0f},      // after the space that became the break
        {6, 5.0f + Advance('H', 20) + Advance('e', 20) + 2 * Advance('l', 20) + Advance('o', 20) + 1, 25.0f},
        {11, 6.0f, 25.0f},  // before the first character
    };
    int pressed = 0;
    for (const Case& c : cases) {
        for (; pressed < c.lefts; ++pressed) Key(vY_TextEdit::kKeyLeft);
        Frame(0.0f);
        EXPECT_FLOAT_EQ(field->GetCursorX(), c.x) << c.lefts;
        EXPECT_FLOAT_EQ(field->GetCursorY(), c.y) << c.lefts;
    }
    // The cursor line: 1.1 font sizes up from the cursor, visible for 0.7 of each second.
    const auto drawnLines = [&]() {
        render.lines.clear();
        render.BeginDraw();
        scene->GetLiveRoot()->Draw(render, vK_DrawParams());
        render.EndDraw();
        return render.lines;
    };
    std::vector<vK_RecordingRender::Line> lines = drawnLines();
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_GE(lines[0].vertices.size(), 2 * 8u);
    const size_t stride = lines[0].vertices.size() / 2;
    EXPECT_FLOAT_EQ(lines[0].vertices[0], 6.0f);
    EXPECT_FLOAT_EQ(lines[0].vertices[1], 25.0f);
    EXPECT_FLOAT_EQ(lines[0].vertices[stride], 6.0f);
    EXPECT_FLOAT_EQ(lines[0].vertices[stride + 1], 3.0f);
    Frame(0.75f);
    EXPECT_TRUE(drawnLines().empty());
    Frame(0.3f);  // the last left press restarted it: 0.75 + 0.3 wraps to 0.05
    EXPECT_NEAR(field->GetBlinkTimer(), 0.05f, 1e-4f);
    EXPECT_EQ(drawnLines().size(), 1u);
}

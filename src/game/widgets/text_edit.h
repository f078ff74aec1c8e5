#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "data/data.h"
#include "scene/text.h"

// Object type "textedit": a one-field text input. It takes typed characters (the
// platform's character events, UTF-8 once stored), keeps a cursor, wraps the text at the
// maximum width, draws a blinking cursor line and queues its Enter trigger on Enter.
// Every text edit in the live scene takes the keyboard's characters.
class vY_TextEdit : public vK_Text {
public:
    // Engine key codes the field reacts to.
    static constexpr int kKeyEnter = 13;
    static constexpr int kKeyLeft = 37;
    static constexpr int kKeyRight = 39;
    static constexpr int kKeyBackspace = 8;
    static constexpr int kKeyDelete = 46;

    struct Char {
        std::string utf8;
        int32_t code = 0;
        int advance = 0;
    };

    // Where the cursor stands in the wrapped text: its line, how many lines there are,
    // the width of the cursor's line and the advances before the cursor on it.
    struct CursorPlace {
        int line = 0;
        int lines = 1;
        int lineWidth = 0;
        int x = 0;
    };
    // Wraps chars at maxWidth (no limit below 1) the way the text is rendered and
    // places a cursor that stands before chars[cursor].
    static CursorPlace PlaceCursor(const std::vector<Char>& chars, size_t cursor, int maxWidth);

    explicit vY_TextEdit(const std::string& name = std::string());
    ~vY_TextEdit() override;

    void SetProperties(const vK_DataTable& table) override;
    void GetProperties(vK_DataTable& table, bool full) const override;
    std::string GetType() const override { return "textedit"; }
    void Reset() override;
    bool EnterScene() override;
    bool LeaveScene() override;
    void Tick(const vK_FrameInfo& frame) override;
    bool HandleInput(const vK_InputEvent& event, vK_Object* hit, const vK_DrawParams& state) override;
    void DrawSelf(vK_Render& render, const vK_DrawParams& state) override;

    // Inserts a code point at the cursor when the font gives it a width.
    void InsertChar(int32_t code);
    // Whether the allowed characters let code through (all when there are none).
    bool IsAllowed(int32_t code) const;

    const std::vector<Char>& GetChars() const { return chars_; }
    size_t GetCursor() const { return cursor_; }
    float GetCursorX() const { return cursorX_; }
    float GetCursorY() const { return cursorY_; }
    float GetBlinkTimer() const { return blinkTimer_; }
    // The typed text: the characters' UTF-8 in order.
    std::string GetTyped() const;

    static void RegisterType();

private:
    static const vK_PropertyTable& EditProperties();
    void ClearOnFirst();
    void RebuildChars();
    // Makes the text what was typed (and renders it) when characters changed.
    void CommitText();
    void UpdateCursorPosition();
    bool RemoveAt(size_t index);

    int maxChars_ = 40;
    bool clearOnFirstInput_ = false;
    bool firstInputDone_ = false;
    std::string allowedCharacters_;
    vK_DataScriptFunction enterTrigger_;
    std::vector<Char> chars_;
    size_t cursor_ = 0;
    float cursorX_ = 0.0f, cursorY_ = 0.0f, cursorZ_ = 0.0f;
    bool cursorDirty_ = true;
    bool textDirty_ = false;
    float blinkTimer_ = 0.0f;
    // The first half of a character beyond U+FFFF, which the platform delivers as two
    // UTF-16 units.
    int32_t pendingHighSurrogate_ = 0;
};

#include "game/widgets/text_edit.h"

#include <algorithm>

#include "core/frame_info.h"
#include "core/input_event.h"
#include "data/utf8.h"
#include "graphics/font.h"
#include "graphics/render.h"
#include "graphics/text_layout.h"
#include "scene/property_table.h"

namespace {
constexpr int32_t kHighSurrogateFirst = 0xD800;
constexpr int32_t kLowSurrogateFirst = 0xDC00;
constexpr int32_t kLowSurrogateLast = 0xDFFF;
constexpr int32_t kMaxCodePoint = 0x10FFFF;
// The cursor shows for this part of every second.
constexpr float kCursorVisible = 0.7f;

bool IsHighSurrogate(int32_t code) { return code >= kHighSurrogateFirst && code < kLowSurrogateFirst; }
bool IsLowSurrogate(int32_t code) { return code >= kLowSurrogateFirst && code <= kLowSurrogateLast; }
}  // namespace

vY_TextEdit::vY_TextEdit(const std::string& name) : vK_Text(name) {
    // The field shows what was typed, not a string-table entry.
    vK_Text::SetDisplayRaw(true);
}

vY_TextEdit::~vY_TextEdit() = default;

void vY_TextEdit::RegisterType() {
    RegisterObjectType("textedit",
                       []() -> std::unique_ptr<vK_Object> { return std::make_unique<vY_TextEdit>(); },
                       {"A one-line text input: takes typed characters while in the live scene, keeps a "
                        "blinking cursor and queues trg_enter on Enter.",
                        &EditProperties, "text"});
}

const vK_PropertyTable& vY_TextEdit::EditProperties() {
    using namespace vK_Props;
    static const vK_PropertyTable table(
        &TextProperties(),
        {
            Int("maxchars", 40,
                [](vK_Object& o) -> void* { return &static_cast<vY_TextEdit&>(o).maxChars_; }),
            Bool("clearonfirstinput", false,
                 [](vK_Object& o) -> void* { return &static_cast<vY_TextEdit&>(o).clearOnFirstInput_; }),
            String("allowed_characters",
                   [](vK_Object& o) -> void* { return &static_cast<vY_TextEdit&>(o).allowedCharacters_; }),
            Handler("trg_enter",
                    [](vK_Object& o) -> void* { return &static_cast<vY_TextEdit&>(o).enterTrigger_; }),
        });
    return table;
}

void vY_TextEdit::SetProperties(const vK_DataTable& t) {
    const unsigned applied = ApplyProperties(EditProperties(), t);
    if (t.Has("text")) RebuildChars();
    firstInputDone_ = false;
    if (applied & vK_PropertyTable::kAppliedRefresh) {
        RefreshText();
        cursorDirty_ = true;
    }
}

void vY_TextEdit::GetProperties(vK_DataTable& t, bool full) const { EditProperties().Write(*this, t, full); }

void vY_TextEdit::Reset() {
    vK_Text::Reset();
    SetDisplayRaw(true);
    maxChars_ = 40;
    clearOnFirstInput_ = false;
    firstInputDone_ = false;
    allowedCharacters_.clear();
    enterTrigger_.Reset();
    chars_.clear();
    cursor_ = 0;
    cursorX_ = cursorY_ = cursorZ_ = 0.0f;
    cursorDirty_ = true;
    textDirty_ = false;
    blinkTimer_ = 0.0f;
    pendingHighSurrogate_ = 0;
}

bool vY_TextEdit::EnterScene() {
    if (IsInScene()) return true;
    const bool entered = vK_Text::EnterScene();
    if (GetFont()) {
        // A text set before the font was there could not be measured: take it in now.
        RebuildChars();
        SetText(GetTyped());
        if (clearOnFirstInput_) firstInputDone_ = false;
        textDirty_ = false;
        cursorDirty_ = true;
    }
    return entered;
}

bool vY_TextEdit::LeaveScene() {
    pendingHighSurrogate_ = 0;
    return vK_Text::LeaveScene();
}

std::string vY_TextEdit::GetTyped() const {
    std::string text;
    for (const Char& c : chars_) text += c.utf8;
    return text;
}

void vY_TextEdit::RebuildChars() {
    chars_.clear();
    cursor_ = 0;
    const std::string text = ResolvedText();
    size_t pos = 0;
    while (pos < text.size()) InsertChar(DecodeUtf8Step(text, pos));
    textDirty_ = true;
    cursorDirty_ = true;
}

void vY_TextEdit::InsertChar(int32_t code) {
    if (code <= 0 || code > kMaxCodePoint || IsHighSurrogate(code) || IsLowSurrogate(code)) return;
    vK_Font* font = GetFont().get();
    if (font == nullptr) return;
    font->SetSize(-1, std::clamp(static_cast<int>(GetStyle().fontsize), 1, vK_Font::kMaxFontSize));
    const int advance = font->GetAdvance(code, GetStyle().fonttype);
    if (advance <= 0) return;  // the font shows nothing for it
    Char c;
    AppendUtf8(c.utf8, static_cast<uint32_t>(code));
    c.code = code;
    c.advance = advance;
    chars_.insert(chars_.begin() + static_cast<ptrdiff_t>(cursor_), std::move(c));
    ++cursor_;
    textDirty_ = true;
    cursorDirty_ = true;
}

bool vY_TextEdit::IsAllowed(int32_t code) const {
    if (allowedCharacters_.empty()) return true;
    // Compared as code points, so that a character beyond ASCII matches only itself and
    // never a byte of another character's encoding.
    size_t pos = 0;
    while (pos < allowedCharacters_.size()) {
        if (DecodeUtf8Step(allowedCharacters_, pos) == code) return true;
    }
    return false;
}

void vY_TextEdit::ClearOnFirst() {
    if (!clearOnFirstInput_ || firstInputDone_) return;
    chars_.clear();
    cursor_ = 0;
    textDirty_ = true;
    cursorDirty_ = true;
    firstInputDone_ = true;
}

bool vY_TextEdit::RemoveAt(size_t index) {
    if (index >= chars_.size()) return false;
    chars_.erase(chars_.begin() + static_cast<ptrdiff_t>(index));
    textDirty_ = true;
    cursorDirty_ = true;
    return true;
}

bool vY_TextEdit::HandleInput(const vK_InputEvent& event, vK_Object* hit, const vK_DrawParams& state) {
    if (event.type == vK_InputEvent::kChar) {
        int32_t code = event.code;
        // Characters beyond U+FFFF arrive as a high and a low surrogate.
        const int32_t high = pendingHighSurrogate_;
        pendingHighSurrogate_ = 0;
        if (IsHighSurrogate(code)) {
            pendingHighSurrogate_ = code;
            code = 0;
        } else if (IsLowSurrogate(code)) {
            code =
                high != 0 ? 0x10000 + ((high - kHighSurrogateFirst) << 10) + (code - kLowSurrogateFirst) : 0;
        }
        if (code > 0 && IsAllowed(code)) {
            ClearOnFirst();
            if (static_cast<int>(chars_.size()) >= maxChars_) return false;  // the field is full
            InsertChar(code);
        }
    } else if (event.type == vK_InputEvent::kKeyDown) {
        switch (event.key) {
            case kKeyEnter:
                // Characters typed in the same frame are part of the text the trigger reads.
                CommitText();
                QueueHandler(enterTrigger_, GetName());
                break;
            case kKeyLeft:
            case kKeyRight:
                if (event.key == kKeyLeft && cursor_ > 0) --cursor_;
                if (event.key == kKeyRight && cursor_ < chars_.size()) ++cursor_;
                cursorDirty_ = true;
                blinkTimer_ = 0.0f;
                break;
            case kKeyBackspace:
                ClearOnFirst();
                if (cursor_ > 0 && RemoveAt(cursor_ - 1)) --cursor_;
                break;
            case kKeyDelete:
                RemoveAt(cursor_);
                break;
            default:
                break;
        }
    }
    return vK_Text::HandleInput(event, hit, state);
}

void vY_TextEdit::CommitText() {
    if (!textDirty_) return;
    textDirty_ = false;
    const std::string typed = GetTyped();
    if (typed != GetText())
        SetText(typed);
    else
        RefreshText();
    cursorDirty_ = true;
}

void vY_TextEdit::Tick(const vK_FrameInfo& frame) {
    CommitText();
    if (cursorDirty_) {
        cursorDirty_ = false;
        UpdateCursorPosition();
    }
    vK_Text::Tick(frame);
    blinkTimer_ += frame.dt;
    if (blinkTimer_ > 1.0f) blinkTimer_ -= 1.0f;
}

vY_TextEdit::CursorPlace vY_TextEdit::PlaceCursor(const std::vector<Char>& chars, size_t cursor,
                                                  int maxWidth) {
    // The characters as glyph records whose style number is their index, so the
    // records keep pointing at their characters through the renderer's line breaking.
    std::vector<vK_GlyphRecord> records(chars.size() + 1);
    for (size_t i = 0; i < chars.size(); ++i) {
        records[i].code = chars[i].code;
        records[i].style = static_cast<int32_t>(i);
    }
    records.back().code = 0;
    const auto advance = [&chars](int32_t, int32_t index) {
        return index >= 0 && static_cast<size_t>(index) < chars.size()
                   ? chars[static_cast<size_t>(index)].advance
                   : 0;
    };
    const vK_TextLayout::Metrics metrics = vK_TextLayout::BreakLines(records, maxWidth, advance);

    CursorPlace place;
    place.lines = metrics.lines;
    const int32_t marked = cursor == 0 ? -1 : static_cast<int32_t>(std::min(cursor, chars.size()) - 1);
    int line = 0, x = 0;
    bool found = false;
    std::vector<int> widths(1, 0);
    for (size_t j = 0; j < records.size(); ++j) {
        const vK_GlyphRecord& r = records[j];
        if (r.code == vK_TextLayout::kLineBreak) {
            // A space that ended a full line became its break: the cursor after it
            // starts the next line. Breaks inserted around a character carry its index
            // too; the character itself decides then.
            const bool beforeMarked = j + 1 < records.size() && records[j + 1].style == marked;
            if (marked >= 0 && r.style == marked && !found && !beforeMarked) {
                place.line = line + 1;
                place.x = 0;
                found = true;
            }
            ++line;
            x = 0;
            widths.push_back(0);
            continue;
        }
        x += advance(r.code, r.style);
        widths.back() = x;
        if (r.code != 0 && r.style == marked) {
            place.line = line;
            place.x = x;
            found = true;
        }
    }
    place.lineWidth =
        static_cast<size_t>(place.line) < widths.size() ? widths[static_cast<size_t>(place.line)] : 0;
    return place;
}

void vY_TextEdit::UpdateCursorPosition() {
    const CursorPlace place = PlaceCursor(chars_, cursor_, GetMaxWidth());
    const vK_TextStyle& style = GetStyle();
    const int size = style.fontsize;
    switch (style.align) {
        case 0:
            cursorX_ = static_cast<float>(size / 4 + place.x + 1);
            break;
        case 2:
            cursorX_ = static_cast<float>(-place.lineWidth + place.x - size / 4 + 1);
            break;
        default:
            cursorX_ = static_cast<float>(-place.lineWidth / 2 + place.x + 1);
            break;
    }
    const float f = static_cast<float>(size);
    const float step = f * style.linespacing;
    switch (style.align_v) {
        case 0:
            cursorY_ = f * 1.25f + step * static_cast<float>(place.line);
            break;
        case 2:
            cursorY_ = -f * 0.25f - step * static_cast<float>(place.lines - place.line - 1);
            break;
        default: {
            const float height = GetRenderedTexture() ? static_cast<float>(GetDrawRect().h) : 0.0f;
            cursorY_ = -height / 2.0f + f * 1.25f + step * static_cast<float>(place.line);
            break;
        }
    }
    cursorZ_ = 0.0f;
}

void vY_TextEdit::DrawSelf(vK_Render& render, const vK_DrawParams& state) {
    vK_Text::DrawSelf(render, state);
    if (!GetFont() || blinkTimer_ >= kCursorVisible) return;
    const float colour[3] = {state.red, state.green, state.blue};
    const float top = cursorY_ - 1.1f * static_cast<float>(GetStyle().fontsize);
    render.DrawLine(cursorX_, cursorY_, cursorZ_, cursorX_, top, cursorZ_, colour, state);
}

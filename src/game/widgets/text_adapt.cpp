#include "game/widgets/text_adapt.h"

#include <algorithm>
#include <cmath>

#include "core/frame_info.h"
#include "data/utf8.h"
#include "graphics/font.h"
#include "graphics/text_layout.h"
#include "scene/property_table.h"

namespace {
const char* const kEllipsis = "...";
// A lead-in never holds more spaces than this, whatever the width asks for.
constexpr size_t kMaxLeadSpaces = 4096;
}  // namespace

// ---- measured line ----------------------------------------------------------------------

vY_TextAdapt::Line::Line(const std::string& text, int fontSize, const AdvanceFn& advance)
    : text_(text), fontSize_(fontSize) {
    offsets_.push_back(0);
    sums_.push_back(0);
    size_t pos = 0;
    while (pos < text_.size()) {
        const int32_t code = DecodeUtf8Step(text_, pos);
        offsets_.push_back(pos);
        sums_.push_back(sums_.back() + std::max(0, advance(code)));
    }
}

std::string vY_TextAdapt::Line::Text(size_t from, size_t to) const {
    return text_.substr(offsets_[from], offsets_[to] - offsets_[from]);
}

size_t vY_TextAdapt::Line::FitEnd(size_t from, float width) const {
    // Widths grow with the end: find the last end that still fits.
    size_t low = from + 1, high = Size();
    while (low < high) {
        const size_t mid = (low + high + 1) / 2;
        if (static_cast<float>(Width(from, mid)) <= width)
            low = mid;
        else
            high = mid - 1;
    }
    return low;
}

int vY_TextAdapt::Line::BlockWidth(long advance, int fontSize) {
    vK_TextLayout::Metrics metrics;
    metrics.widest = static_cast<int>(std::min<long>(advance, vK_Font::kMaxBlockSide));
    int width = 0, height = 0;
    vK_TextLayout::BlockSize(metrics, fontSize, 1.0f, vK_Font::kMaxBlockSide, width, height);
    return width;
}

// ---- fitting ----------------------------------------------------------------------------

vY_TextAdapt::Fit vY_TextAdapt::FitText(const std::string& text, const FitRules& rules,
                                        const Measurer& measure) {
    Fit fit;
    fit.fontSize = std::max(rules.maxFontSize, 1);
    fit.shown = text;
    if (rules.maxWidth < 1) return fit;
    const float maxWidth = static_cast<float>(rules.maxWidth);
    const float minScale = std::isnan(rules.minScaleX) ? 0.8f : rules.minScaleX;
    const int smallest = std::max(rules.minFontSize, 1);

    Line line = measure(text, fit.fontSize);
    while (static_cast<float>(line.Width()) > maxWidth) {
        const float k = maxWidth / static_cast<float>(line.Width());
        if (k >= minScale) {
            fit.scaleX = k;
            return fit;
        }
        if (fit.fontSize - 1 < smallest) break;
        --fit.fontSize;
        line = measure(text, fit.fontSize);
    }
    if (static_cast<float>(line.Width()) <= maxWidth) return fit;

    // The font cannot shrink further: squeeze as far as allowed and shorten the text.
    fit.scaleX = minScale;
    const size_t count = line.Size();
    if (count < 2) return fit;
    const float width = maxWidth / minScale;  // what fits before the squeeze

    if (rules.shortTextType != 1) {
        // Drop one character after another and add "..." until it fits. When even "..."
        // alone is too wide the cut ends there: nothing is left to remove.
        const Line cut = measure(text + kEllipsis, fit.fontSize);
        const long dots = cut.Advance(count, cut.Size());
        size_t keep = count;
        long shownWidth = line.Width();
        while (static_cast<float>(shownWidth) > width && keep > 0) {
            --keep;
            shownWidth = Line::BlockWidth(cut.Advance(0, keep) + dots, fit.fontSize);
        }
        if (keep < count) fit.shown = cut.Text(0, keep) + kEllipsis;
        return fit;
    }

    // Ticker: enough spaces before the first character to fill the window, the text, and
    // the same spaces after it, so that the text runs in from the right and out at the left.
    const Line padded = measure(" " + text, fit.fontSize);
    const long space = padded.Advance(0, 1);
    const long first = padded.Advance(1, 2);
    size_t spaces = 0;
    // A space that measures nothing cannot fill the window: the ticker then runs the
    // bare text.
    if (space > 0) {
        while (width > static_cast<float>(
                           Line::BlockWidth(static_cast<long>(spaces) * space + first, fit.fontSize)) &&
               spaces < kMaxLeadSpaces)
            ++spaces;
    }
    const std::string pad(spaces, ' ');
    fit.ticker = true;
    fit.tickerLead = static_cast<int>(spaces) + 1;
    fit.tickerString = pad + text + pad;
    fit.tickerWidth = width;
    fit.tickerLine = measure(fit.tickerString, fit.fontSize);
    TickerStep(fit.tickerLine, 0, fit.tickerLead, width, fit.shown);
    return fit;
}

int vY_TextAdapt::TickerStep(const Line& ticker, int index, int lead, float width, std::string& shown) {
    const int length = static_cast<int>(ticker.Size());
    if (length == 0) {
        shown.clear();
        return 0;
    }
    if (index < 0 || index >= length) index = 0;
    const size_t from = static_cast<size_t>(index);
    shown = ticker.Text(from, ticker.FitEnd(from, width));
    ++index;
    if (length - lead < index) index = 0;
    return index;
}

// ---- the object -------------------------------------------------------------------------

vY_TextAdapt::~vY_TextAdapt() = default;

void vY_TextAdapt::RegisterType() {
    RegisterObjectType("textadapt",
                       []() -> std::unique_ptr<vK_Object> { return std::make_unique<vY_TextAdapt>(); },
                       {"A text that fits maxwidth: it lowers the font size, then squeezes scale x, then "
                        "cuts the text with \"...\" or runs it as a ticker (shorttext_type).",
                        &AdaptProperties, "text"});
}

const vK_PropertyTable& vY_TextAdapt::AdaptProperties() {
    using namespace vK_Props;
    constexpr uint8_t kR = vK_Property::kRefresh;
    static const vK_PropertyTable table(
        &TextProperties(),
        {
            Int(
                "shorttext_type", 0,
                [](vK_Object& o) -> void* { return &static_cast<vY_TextAdapt&>(o).shortTextType_; }, kR),
            Int(
                "min_fontsize", 16,
                [](vK_Object& o) -> void* { return &static_cast<vY_TextAdapt&>(o).minFontSize_; }, kR),
            Int(
                "max_fontsize", 20,
                [](vK_Object& o) -> void* { return &static_cast<vY_TextAdapt&>(o).maxFontSize_; }, kR),
            Float(
                "min_scale_x", 0.8,
                [](vK_Object& o) -> void* { return &static_cast<vY_TextAdapt&>(o).minScaleX_; }, kR),
            Float(
                "delay_letter", 0.2,
                [](vK_Object& o) -> void* { return &static_cast<vY_TextAdapt&>(o).letterDelay_; }, kR),
        });
    return table;
}

void vY_TextAdapt::SetProperties(const vK_DataTable& t) {
    if (ApplyProperties(AdaptProperties(), t) & vK_PropertyTable::kAppliedRefresh) RefreshText();
}

void vY_TextAdapt::GetProperties(vK_DataTable& t, bool full) const {
    AdaptProperties().Write(*this, t, full);
}

void vY_TextAdapt::Reset() {
    vK_Text::Reset();
    shortTextType_ = 0;
    minFontSize_ = 16;
    maxFontSize_ = 20;
    minScaleX_ = 0.8f;
    letterDelay_ = 0.2f;
    StopTicker();
}

void vY_TextAdapt::SetMinFontSize(int size) {
    minFontSize_ = size;
    RefreshText();
}

void vY_TextAdapt::SetMaxFontSize(int size) {
    maxFontSize_ = size;
    RefreshText();
}

void vY_TextAdapt::SetMinScaleX(float scale) {
    minScaleX_ = scale;
    RefreshText();
}

void vY_TextAdapt::SetShortTextType(int type) {
    shortTextType_ = type;
    RefreshText();
}

void vY_TextAdapt::StopTicker() {
    tickerActive_ = false;
    tickerTimer_ = 0.0f;
    tickerIndex_ = 0;
    tickerLead_ = 0;
    tickerString_.clear();
    tickerLine_ = Line();
    tickerWidth_ = 0.0f;
}

vY_TextAdapt::Line vY_TextAdapt::MeasureWithFont(const std::string& text, int fontSize) {
    ++measureCount_;
    vK_Font* font = GetFont().get();
    const int style = GetStyle().fonttype;
    font->SetSize(-1, std::clamp(fontSize, 1, vK_Font::kMaxFontSize));
    return Line(text, fontSize, [font, style](int32_t code) { return font->GetAdvance(code, style); });
}

void vY_TextAdapt::Show(const std::string& text) {
    shown_ = text;
    RenderShown(text, -1);
}

void vY_TextAdapt::RefreshText() {
    if (!GetFont()) return;
    StopTicker();
    FitRules rules;
    rules.maxWidth = GetMaxWidth();
    rules.minFontSize = minFontSize_;
    rules.maxFontSize = maxFontSize_;
    rules.minScaleX = minScaleX_;
    rules.shortTextType = shortTextType_;
    Fit fit = FitText(ResolvedText(), rules,
                      [this](const std::string& text, int size) { return MeasureWithFont(text, size); });
    vK_TextStyle style = GetStyle();
    style.fontsize = fit.fontSize;
    SetStyle(style);
    SetScale(fit.scaleX, GetScaleY());
    if (fit.ticker) {
        tickerActive_ = true;
        tickerString_ = std::move(fit.tickerString);
        tickerLead_ = fit.tickerLead;
        tickerLine_ = std::move(fit.tickerLine);
        tickerWidth_ = fit.tickerWidth;
    }
    Show(fit.shown);
}

void vY_TextAdapt::Tick(const vK_FrameInfo& frame) {
    vK_Text::Tick(frame);
    if (!tickerActive_ || shortTextType_ != 1) return;
    tickerTimer_ += frame.dt;
    if (tickerTimer_ < letterDelay_) return;
    tickerTimer_ = 0.0f;
    std::string shown;
    tickerIndex_ = TickerStep(tickerLine_, tickerIndex_, tickerLead_, tickerWidth_, shown);
    Show(shown);
}

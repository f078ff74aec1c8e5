#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scene/text.h"

// Object type "textadapt": a label that fits its maximum width. It first lowers the
// font size (down to the minimum), then squeezes the object horizontally (down to the
// minimum scale), and when that is still not enough it either cuts the text with "..."
// or runs it as a ticker that shows one window of the text and moves by one character
// every letter delay.
class vY_TextAdapt : public vK_Text {
public:
    // One line of text split into its characters (UTF-8 code points), each with its
    // advance at one font size: prefixes and windows are measured without rendering.
    class Line {
    public:
        // Advance in pixels of a code point at the line's font size.
        using AdvanceFn = std::function<int(int32_t code)>;

        Line() = default;
        Line(const std::string& text, int fontSize, const AdvanceFn& advance);

        size_t Size() const { return offsets_.empty() ? 0 : offsets_.size() - 1; }
        int FontSize() const { return fontSize_; }
        // Sum of the advances of the characters [from, to).
        long Advance(size_t from, size_t to) const { return sums_[to] - sums_[from]; }
        // Width of the block the font renders for characters [from, to).
        int Width(size_t from, size_t to) const { return BlockWidth(Advance(from, to), fontSize_); }
        int Width() const { return Width(0, Size()); }
        std::string Text(size_t from, size_t to) const;
        // The end of the longest run from `from` whose block is at most width wide; the
        // run keeps at least one character (from < Size()).
        size_t FitEnd(size_t from, float width) const;

        // Width of the block rendered for one line whose advances sum to advance.
        static int BlockWidth(long advance, int fontSize);

    private:
        std::string text_;
        std::vector<size_t> offsets_;  // byte offset of each character, then the end
        std::vector<long> sums_;       // sums_[i]: advances of the first i characters
        int fontSize_ = 0;
    };

    // Measures a text at a font size.
    using Measurer = std::function<Line(const std::string& text, int fontSize)>;

    struct FitRules {
        int maxWidth = -1;
        int minFontSize = 16;
        int maxFontSize = 20;
        float minScaleX = 0.8f;
        int shortTextType = 0;  // 0 cut with "...", 1 ticker
    };

    // What fitting a text decided.
    struct Fit {
        int fontSize = 0;
        float scaleX = 1.0f;
        std::string shown;         // the text to render (the ticker's first window)
        bool ticker = false;       // the text runs as a ticker
        std::string tickerString;  // spaces + text + spaces
        int tickerLead = 0;        // the lead-in: the spaces and the first character
        float tickerWidth = 0.0f;  // width of a ticker window before the squeeze
        Line tickerLine;           // the ticker string, measured
    };

    // Fits text by the rules; measure is asked once per font size tried (and once more
    // for the ticker string), never per character cut or per ticker step.
    static Fit FitText(const std::string& text, const FitRules& rules, const Measurer& measure);

    // One ticker step: shown = the longest window of ticker from index that fits width
    // (at least one character); returns the next index, 0 after the last one.
    static int TickerStep(const Line& ticker, int index, int lead, float width, std::string& shown);

    explicit vY_TextAdapt(const std::string& name = std::string()) : vK_Text(name) {}
    ~vY_TextAdapt() override;

    void SetProperties(const vK_DataTable& table) override;
    void GetProperties(vK_DataTable& table, bool full) const override;
    std::string GetType() const override { return "textadapt"; }
    void Reset() override;
    void Tick(const vK_FrameInfo& frame) override;
    void RefreshText() override;

    virtual void SetMinFontSize(int size);
    virtual int GetMinFontSize() const { return minFontSize_; }
    virtual void SetMaxFontSize(int size);
    virtual int GetMaxFontSize() const { return maxFontSize_; }
    virtual void SetMinScaleX(float scale);
    virtual float GetMinScaleX() const { return minScaleX_; }
    virtual void SetShortTextType(int type);
    virtual int GetShortTextType() const { return shortTextType_; }

    bool IsTickerActive() const { return tickerActive_; }
    int GetTickerIndex() const { return tickerIndex_; }
    const std::string& GetTickerString() const { return tickerString_; }
    // The text the last rendering showed.
    const std::string& GetShownText() const { return shown_; }
    // How many texts were measured with the font (tests and diagnostics).
    int GetMeasureCount() const { return measureCount_; }

    static void RegisterType();

private:
    static const vK_PropertyTable& AdaptProperties();
    Line MeasureWithFont(const std::string& text, int fontSize);
    void StopTicker();
    void Show(const std::string& text);

    int shortTextType_ = 0;
    int minFontSize_ = 16;
    int maxFontSize_ = 20;
    float minScaleX_ = 0.8f;
    float letterDelay_ = 0.2f;
    float tickerTimer_ = 0.0f;
    int tickerIndex_ = 0;
    int tickerLead_ = 0;
    bool tickerActive_ = false;
    std::string tickerString_;
    Line tickerLine_;  // the ticker string measured once per refresh
    float tickerWidth_ = 0.0f;
    std::string shown_;
    int measureCount_ = 0;
};

#pragma once
#include <memory>
#include <string>

#include "graphics/text_style.h"
#include "scene/object.h"

class vK_Font;
class vK_Texture;

// Object type "text": a string-table id (or, with display raw text, the text itself)
// with up to five parameters, rendered by the font named by the resource name into one
// generated texture and drawn like a sprite, aligned to the object's origin. It renders
// only while in the live scene, once per change of text or style.
class vK_Text : public vK_Object {
public:
    static constexpr int kParamCount = 5;

    explicit vK_Text(const std::string& name = std::string()) : vK_Object(name) {}
    ~vK_Text() override;

    void SetProperties(const vK_DataTable& table) override;
    void GetProperties(vK_DataTable& table, bool full) const override;
    std::string GetType() const override { return "text"; }
    vK_Rect GetDrawRect() const override;
    void RestoreGraphics(bool recursive) override;
    void Reset() override;
    bool EnterScene() override;
    bool LeaveScene() override;
    void DrawSelf(vK_Render& render, const vK_DrawParams& state) override;
    // Without an explicit input rectangle the rendered block, where it is drawn, is
    // the hit area, so a text works as a button without "inputrect_init".
    bool HitTest(float x, float y, const vK_DrawParams& state) const override;
    void DumpLine(bool skip, int indent) const override;

    // Stores all six strings and re-renders when any differs from the stored one.
    virtual void SetText(const std::string& text, const std::string& p0 = {}, const std::string& p1 = {},
                         const std::string& p2 = {}, const std::string& p3 = {}, const std::string& p4 = {});
    virtual const std::string& GetText() const { return text_; }
    virtual void SetFontSize(int size);
    virtual int GetFontSize() const { return style_.fontsize; }
    virtual void SetMaxWidth(int width);
    virtual int GetMaxWidth() const { return maxWidth_; }
    virtual bool GetDisplayRaw() const { return displayRaw_; }
    virtual void SetDisplayRaw(bool raw) { displayRaw_ = raw; }
    virtual int GetAlign() const { return style_.align; }
    virtual void SetAlign(int align) { style_.align = align; }
    // Copies the whole record without rendering.
    virtual void SetStyle(const vK_TextStyle& style) { style_ = style; }
    virtual void RefreshText();

    const vK_TextStyle& GetStyle() const { return style_; }
    const std::string& GetParam(int index) const { return params_[index]; }
    const std::shared_ptr<vK_Texture>& GetRenderedTexture() const { return rendered_; }
    const std::shared_ptr<vK_Font>& GetFont() const { return font_; }
    // How many times a texture was rendered (tests and diagnostics).
    int GetRenderCount() const { return renderCount_; }

    static void RegisterType();

protected:
    // The text keys after the base keys; subclass tables start with them.
    static const vK_PropertyTable& TextProperties();
    // The string to show: the string-table entry with the parameters, or the stored
    // text itself when display raw text is set or there are no string tables.
    std::string ResolvedText() const;
    // Renders shown (instead of the stored text) with the style at maxWidth and makes it
    // the rendered texture; nothing without a font.
    void RenderShown(const std::string& shown, int maxWidth);

private:
    // How far alignment moves the rendered block from its centred place.
    void AlignmentOffset(float& dx, float& dy) const;
    // The rendered block's rectangle as drawn, alignment included.
    vK_Rect AlignedBlock() const;

    std::shared_ptr<vK_Font> font_;
    std::shared_ptr<vK_Texture> rendered_;
    int maxWidth_ = -1;
    bool displayRaw_ = false;
    vK_TextStyle style_;
    std::string text_;
    std::string params_[kParamCount];
    int renderCount_ = 0;
};

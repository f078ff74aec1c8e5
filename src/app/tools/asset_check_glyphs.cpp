// The asset check's glyph coverage: the texts of the string tables against the fonts that
// draw them. A text object names its font and its string id, so those texts are checked
// against that font; a text no such object shows is checked against every font the
// objects use, and only what none of them has is reported. Missing glyphs draw nothing
// (the engine logs it once at run time), so these are warnings.
#include <tinyxml2.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/tools/asset_check.h"
#include "app/tools/asset_check_scan.h"
#include "data/config.h"
#include "data/data.h"
#include "data/string_table.h"
#include "graphics/font.h"
#include "graphics/text_layout.h"
#include "graphics/unicode_blocks.h"

namespace {

// Whether one of the fonts draws code in style (a face that is missing draws nothing at
// all, which is not this check's finding).
bool AnyFontDraws(const std::vector<const vK_Font*>& fonts, int32_t code, int style) {
    for (const vK_Font* font : fonts)
        if (!font->HasFace(style) || font->HasGlyph(code, style)) return true;
    return false;
}

// The blocks of the characters of text (markup applied) that none of the fonts draws,
// in the order they first come: "U+4E00..U+9FFF (CJK Unified Ideographs), ...".
std::string MissingBlocks(const std::string& text, const std::vector<const vK_Font*>& fonts) {
    std::vector<vK_GlyphRecord> records = vK_TextLayout::DecodeUtf8(text);
    vK_TextLayout::ApplyMarkup(records);
    std::set<uint32_t> seen;
    std::string list;
    for (const vK_GlyphRecord& record : records) {
        if (record.code <= 0 || IsInvisibleCode(static_cast<uint32_t>(record.code))) continue;
        if (AnyFontDraws(fonts, record.code, record.style == -1 ? 0 : record.style)) continue;
        const vK_UnicodeBlock block = UnicodeBlockOf(static_cast<uint32_t>(record.code));
        if (!seen.insert(block.first).second) continue;
        list += (list.empty() ? "" : ", ") + UnicodeRangeText(block) + " (" + block.name + ")";
    }
    return list;
}

}  // namespace

void vK_AssetCheck::NoteTextUse(const tinyxml2::XMLElement* element, const std::string& file) {
    const char* res = element->Attribute("res");
    const char* id = element->Attribute("text");
    if (!res || !*res || !id || !*id) return;
    const std::string font = ResourcePath(res, FolderOf(file));
    if (!Has(font + ".vkfnt")) return;
    const char* name = element->Attribute("name");
    textUses_.push_back({font, id, name ? name : "", file, element->GetLineNum()});
}

// Where each string id's text is defined: the last row of the tables the configuration
// lists, as the string table keeps the last.
std::map<std::string, vK_AssetCheck::Place> vK_AssetCheck::StringRows() const {
    std::map<std::string, Place> rows;
    vK_Config* config = vK_Config::Instance();
    const vK_Data* list = config ? config->GetData("Vrakko.strings") : nullptr;
    for (unsigned i = 0; list && list->AsArray() && i < list->AsArray()->Size(); ++i) {
        const std::string file = list->GetAt(i) ? list->GetAt(i)->ToString() + ".xml" : std::string();
        std::string text;
        tinyxml2::XMLDocument doc;
        if (!Read(file, text) || doc.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) continue;
        const tinyxml2::XMLElement* root = doc.FirstChildElement("strings");
        for (auto* table = root ? root->FirstChildElement("table") : nullptr; table;
             table = table->NextSiblingElement("table"))
            for (auto* row = table->FirstChildElement("row"); row; row = row->NextSiblingElement("row")) {
                const tinyxml2::XMLElement* id = row->FirstChildElement("id");
                if (id && id->GetText() && *id->GetText()) rows[id->GetText()] = {file, row->GetLineNum()};
            }
    }
    return rows;
}

void vK_AssetCheck::CheckGlyphs() {
    vK_StringTable* strings = vK_StringTable::Instance();
    if (stringsBroken_ || !strings) return;
    std::map<std::string, std::unique_ptr<vK_Font>> fonts;  // by path; null when it does not load
    std::vector<const vK_Font*> allFonts;
    const auto fontAt = [&](const std::string& path) -> const vK_Font* {
        auto [it, added] = fonts.try_emplace(path);
        if (added) {
            it->second = std::make_unique<vK_Font>();
            if (!it->second->Load(path)) it->second.reset();  // reported with the font file
            if (it->second) allFonts.push_back(it->second.get());
        }
        return it->second.get();
    };
    const std::map<std::string, Place> rows = StringRows();
    std::set<std::pair<std::string, std::string>> done;  // (id, font)
    std::set<std::string> shown;                         // ids some object with a font shows
    for (const TextUse& use : textUses_) {
        shown.insert(use.id);
        const auto row = rows.find(use.id);
        const vK_Font* font = fontAt(use.font);
        if (row == rows.end() || !font || !done.insert({use.id, use.font}).second) continue;
        const std::string missing = MissingBlocks(strings->Get(use.id), {font});
        if (!missing.empty())
            Report(false, row->second.file, row->second.line,
                   "text \"" + use.id + "\" has characters that font " + use.font + " (object \"" +
                       use.object + "\", " + use.file + ":" + std::to_string(use.line) +
                       ") has no glyphs for: " + missing + "; they are not drawn");
    }
    if (allFonts.empty()) return;
    for (const auto& [id, place] : rows) {
        if (shown.count(id)) continue;
        const std::string missing = MissingBlocks(strings->Get(id), allFonts);
        if (!missing.empty())
            Report(false, place.file, place.line,
                   "text \"" + id + "\" has characters that no font of the game has glyphs for: " + missing);
    }
}

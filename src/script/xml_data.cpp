#include "script/xml_data.h"

#include <tinyxml2.h>

#include "data/data.h"
#include "files/log.h"

namespace {
// tinyxml2 refuses documents nested deeper than its own element limit, so the
// recursion below is bounded by it.
void FillElement(const tinyxml2::XMLElement& element, vK_DataTable& out) {
    for (const tinyxml2::XMLAttribute* a = element.FirstAttribute(); a; a = a->Next()) {
        out.SetString(a->Name(), a->Value());
    }
    out.SetString("__type", element.Name());
    const tinyxml2::XMLNode* first = element.FirstChild();
    if (first && first->ToText()) out.SetString("__text", first->Value() ? first->Value() : "");
    vK_DataArray* childs = nullptr;
    for (const tinyxml2::XMLElement* c = element.FirstChildElement(); c; c = c->NextSiblingElement()) {
        if (!childs) childs = out.SetArray("__childs");
        FillElement(*c, *childs->PushTable());
    }
}
}  // namespace

std::unique_ptr<vK_DataTable> XmlToData(const std::string& text) {
    auto result = std::make_unique<vK_DataTable>();
    tinyxml2::XMLDocument doc;
    if (doc.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) {
        Log("Error: XmlToData can not parse xml: %s", doc.ErrorStr());
        return result;
    }
    const tinyxml2::XMLElement* root = doc.RootElement();
    if (!root) return result;
    FillElement(*root, *result->SetTable(root->Name()));
    return result;
}

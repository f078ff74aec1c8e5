#include "data/string_table.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "data/data.h"
#include "files/file_manager.h"
#include "files/log.h"

namespace {

vK_StringTable* g_instance = nullptr;

const char* ChildText(const tinyxml2::XMLElement* row, const char* name) {
    const tinyxml2::XMLElement* child = row->FirstChildElement(name);
    const char* text = child ? child->GetText() : nullptr;
    return text ? text : "";
}

bool IsAllDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

}  // namespace

vK_StringTable::vK_StringTable() { g_instance = this; }

vK_StringTable::~vK_StringTable() {
    if (g_instance == this) g_instance = nullptr;
}

vK_StringTable* vK_StringTable::Instance() { return g_instance; }

bool vK_StringTable::Load(const std::string& path) {
    if (std::find(loadedPaths_.begin(), loadedPaths_.end(), path) == loadedPaths_.end())
        loadedPaths_.push_back(path);
    const std::string name = path + ".xml";
    std::vector<uint8_t> bytes;
    vK_FileManager* fm = vK_FileManager::Instance();
    if (!fm || fm->LoadFile(name, bytes, 0) != 0) {
        Log("Error: can't load %s.xml", path.c_str());
        return false;
    }
    return LoadText(std::string(bytes.begin(), bytes.end()), path);
}

bool vK_StringTable::LoadText(const std::string& xml, const std::string& name) {
    tinyxml2::XMLDocument doc;
    if (doc.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS) {
        Log("Error: can't parse %s.xml", name.c_str());
        return false;
    }
    const tinyxml2::XMLElement* root = doc.FirstChildElement("strings");
    if (!root) {
        Log("Error: root element 'strings' not found %s.xml", name.c_str());
        return false;
    }
    for (auto* table = root->FirstChildElement("table"); table; table = table->NextSiblingElement("table")) {
        for (auto* row = table->FirstChildElement("row"); row; row = row->NextSiblingElement("row")) {
            const std::string id = ChildText(row, "id");
            if (id.empty()) continue;
            texts_[id] = ChildText(row, "text");
        }
    }
    return true;
}

void vK_StringTable::LoadList(const vK_Data* list) {
    const vK_DataArray* array = list ? list->AsArray() : nullptr;
    if (!array) return;
    for (const vK_Data* item : *array) Load(item ? item->ToString() : std::string());
}

std::string vK_StringTable::Get(const std::string& id, const std::string& p1, const std::string& p2,
                                const std::string& p3, const std::string& p4, const std::string& p5) const {
    if (id.empty()) return {};
    auto found = texts_.find(id);
    if (found == texts_.end()) return id;
    const std::string& text = found->second;
    const std::string* params[] = {&p1, &p2, &p3, &p4, &p5};

    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '%') {
            out += text[i++];
            continue;
        }
        const size_t close = text.find('%', i + 1);
        if (close == std::string::npos) {
            // An unmatched '%' and everything after it stand for themselves.
            Log("Error: non-matched percent escape found in string %s, '%s'", id.c_str(), text.c_str());
            out.append(text, i, std::string::npos);
            break;
        }
        const std::string name = text.substr(i + 1, close - i - 1);
        i = close + 1;
        if (name.empty()) {
            out += '%';
        } else if (IsAllDigits(name)) {
            const size_t digits = name.find_first_not_of('0');
            const std::string value = digits == std::string::npos ? "0" : name.substr(digits);
            if (value.size() != 1 || value[0] < '1' || value[0] > '5') return id;
            const std::string& p = *params[value[0] - '1'];
            if (p.size() > 2 && p.front() == '%' && p.back() == '%') {
                auto ref = texts_.find(p.substr(1, p.size() - 2));
                if (ref == texts_.end()) return id;
                out += ref->second;
            } else if (p == "%%") {
                out += '%';
            } else if (!p.empty() && p.front() == '%') {
                // "%", "%x" and the like are neither an escape nor a reference.
                return id;
            } else {
                // Plain text; it is never scanned again, so it cannot expand further.
                out += p;
            }
        } else {
            auto ref = texts_.find(name);
            if (ref == texts_.end()) return id;
            out += ref->second;
        }
    }
    return out;
}

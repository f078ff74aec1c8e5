#include "data/config.h"

#include <utility>
#include <vector>

#include "data/exception.h"
#include "files/log.h"

namespace {
vK_Config* g_instance = nullptr;

// Expands one string value. Returns the replacement, or nullptr when the string
// stays as it is. One pass: text inserted by a reference is not scanned again.
vK_Data* ExpandString(const vK_Data* root, const std::string& s) {
    if (s.empty()) return nullptr;
    if (s[0] == '@') {
        const vK_Data* found = FindData(root, s.substr(1));
        return found ? found->Clone() : nullptr;
    }
    std::string text;
    text.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        if (s.compare(i, 2, "{@") == 0) {
            const size_t close = s.find('}', i + 2);
            if (close != std::string::npos) {
                const std::string name = s.substr(i + 2, close - i - 2);
                text += FindString(root, name, name);
                i = close + 1;
                continue;
            }
        }
        text += s[i++];
    }
    return text == s ? nullptr : new vK_DataString(std::move(text));
}
}  // namespace

vK_Config::vK_Config(vK_DataPtr root) : root_(std::move(root)) {
    if (!root_ || !root_->AsTable()) {
        if (root_) Log("Error: the configuration is not a table; an empty one is used.");
        root_ = std::make_shared<vK_DataTable>();
    }
    Expand(root_.get(), root_->AsTable());
    g_instance = this;
}

vK_Config::~vK_Config() {
    if (g_instance == this) g_instance = nullptr;
}

vK_Config* vK_Config::Instance() { return g_instance; }

void vK_Config::Expand(const vK_Data* root, vK_DataTable* table) {
    // Replacements of one table's strings are applied after its walk, so they are
    // not visible to references resolved while the walk is running; nested tables
    // are expanded (and their replacements applied) as they are reached.
    std::vector<std::pair<std::string, vK_Data*>> pending;
    for (const auto& [key, value] : *table) {
        if (value->GetTag() == vK_Data::kString) {
            if (vK_Data* replacement = ExpandString(root, value->ToString()))
                pending.emplace_back(key, replacement);
        } else if (vK_DataTable* child = value->AsTable()) {
            Expand(root, child);
        }
    }
    for (auto& [key, value] : pending) table->Set(key, value);
}

namespace {
vK_Config::ReadObserver g_observer = nullptr;

std::vector<const vK_ConfigKey*>& DeclaredKeys() {
    static std::vector<const vK_ConfigKey*> keys;
    return keys;
}
}  // namespace

void vK_Config::SetReadObserver(ReadObserver observer) { g_observer = observer; }

void vK_Config::Observe(const std::string& path) {
    if (g_observer) g_observer(path);
}

vK_ConfigKey::vK_ConfigKey(const char* path, const char* kind, const char* def, const char* description)
    : path(path), kind(kind), def(def), description(description) {
    DeclaredKeys().push_back(this);
}

const std::vector<const vK_ConfigKey*>& vK_ConfigKey::All() { return DeclaredKeys(); }

std::string vK_ConfigKey::With(const std::string& part) const {
    std::string text = path;
    auto upper = [&](size_t i) { return i < text.size() && text[i] >= 'A' && text[i] <= 'Z'; };
    for (size_t begin = 0; begin < text.size(); ++begin) {
        if (!upper(begin) || (begin > 0 && text[begin - 1] != '.')) continue;
        size_t end = begin;
        while (upper(end)) ++end;
        // A run of two or more capitals that ends the part: "NAME", "CHANNEL" in "CHANNEL_volume".
        if (end - begin >= 2 && (end == text.size() || text[end] == '.' || text[end] == '_'))
            return text.replace(begin, end - begin, part);
    }
    return text;
}

int32_t vK_Config::GetInt(const std::string& path, int32_t def) const {
    Observe(path);
    return FindInt(root_.get(), path, def);
}

float vK_Config::GetFloat(const std::string& path, float def) const {
    Observe(path);
    return FindFloat(root_.get(), path, def);
}

bool vK_Config::GetBool(const std::string& path, bool def) const {
    Observe(path);
    return FindBool(root_.get(), path, def);
}

std::string vK_Config::GetString(const std::string& path, const std::string& def) const {
    Observe(path);
    return FindString(root_.get(), path, def);
}

std::string vK_Config::GetOption(const std::string& path) const {
    std::string value = GetString(path, std::string());
    if (!value.empty()) return value;
    return GetStringRequired(path, "Error: The option '" + path + "' is not found.");
}

std::string vK_Config::GetStringRequired(const std::string& path, const std::string& message) const {
    Observe(path);
    const vK_Data* v = FindData(root_.get(), path);
    if (v && v->GetTag() == vK_Data::kString) return v->ToString();
    Log("%s", message.c_str());
    throw vK_Exception(message);
}

vK_Data* vK_Config::GetData(const std::string& path) const {
    Observe(path);
    return FindData(root_.get(), path);
}

#include "data/data.h"

#include <locale.h>
#include <stdlib.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "files/log.h"
#include "files/os_services.h"

namespace {
constinit vK_Seam<vK_ScriptResolver> g_resolver("script resolver");

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Float to integer truncation toward zero without undefined behaviour: values
// outside the target range (and NaN) saturate, NaN to 0.
template <typename Int>
Int Truncate(double v) {
    if (std::isnan(v)) return 0;
    constexpr double lo = static_cast<double>(std::numeric_limits<Int>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<Int>::max());
    if (v <= lo) return std::numeric_limits<Int>::min();
    if (v >= hi) return std::numeric_limits<Int>::max();
    return static_cast<Int>(v);
}

bool IsNumber(const vK_Data* v) {
    const int tag = v ? v->GetTag() : vK_Data::kNull;
    return tag == vK_Data::kInt || tag == vK_Data::kLong || tag == vK_Data::kFloat || tag == vK_Data::kDouble;
}

// Numeric reads take a long by its value: its own GetInt and GetFloat answer 0,
// which would turn a large whole number written in a document into 0.
int32_t NumberToInt(const vK_Data& v) {
    if (v.GetTag() == vK_Data::kLong) return Truncate<int32_t>(static_cast<double>(v.GetLong()));
    return v.GetInt();
}

float NumberToFloat(const vK_Data& v) {
    if (v.GetTag() == vK_Data::kLong) return static_cast<float>(v.GetLong());
    return v.GetFloat();
}
}  // namespace

vK_Seam<vK_ScriptResolver>& ScriptResolverSeam() { return g_resolver; }

vK_ScriptHandle ResolveScriptFunction(const std::string& name) {
    const vK_ScriptResolver resolver = g_resolver.Get();
    return resolver ? resolver(name) : vK_ScriptHandle();
}

const char* vK_Data::TypeName(int tag) {
    static const char* const kNames[] = {"Data_Null",  "Data_ScriptFunction", "Data_Int",  "Data_Long",
                                         "Data_Float", "Data_Double",         "Data_Bool", "Data_String",
                                         "Data_Array", "Data_Table"};
    return tag >= 0 && tag <= 9 ? kNames[tag] : "unknown";
}

int32_t TextToInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > (int64_t{1} << 32)) break;  // saturates below
    }
    if (negative) value = -value;
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);
}

double TextToDouble(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    double value = 0.0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    // A second sign after the first one is not a number, as with atof.
    if (first < last && *first != '+' && *first != '-') ParseDouble(first, last, value);
    return negative ? -value : value;
}

const char* ParseDouble(const char* first, const char* last, double& value) {
    auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec == std::errc()) return result.ptr;
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone here; strtod in the C locale gives the
        // saturated or subnormal result of the same digits.
        value = OsStrtodC(std::string(first, result.ptr));
        return result.ptr;
    }
    value = 0.0;
    return first;
}

std::string vK_DataInt::ToString() const { return std::to_string(value_); }
std::string vK_DataLong::ToString() const { return std::to_string(value_); }

int32_t vK_DataFloat::GetInt() const { return Truncate<int32_t>(value_); }
int64_t vK_DataFloat::GetLong() const { return Truncate<int64_t>(value_); }
// Numbers print with to_chars: the same text as printf in the C locale, whatever
// locale the process runs in. 512 bytes hold any double in fixed notation.
std::string FormatNumber(double value, bool fixed, int precision) {
    char buffer[512];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                fixed ? std::chars_format::fixed : std::chars_format::general, precision);
    if (result.ec != std::errc()) return fixed ? "0.000000" : "0";
    return std::string(buffer, result.ptr);
}

std::string vK_DataFloat::ToString() const { return FormatNumber(value_, false, 6); }

int32_t vK_DataDouble::GetInt() const { return Truncate<int32_t>(value_); }
int64_t vK_DataDouble::GetLong() const { return Truncate<int64_t>(value_); }
std::string vK_DataDouble::ToString() const { return FormatNumber(value_, true, 6); }

int32_t vK_DataString::GetInt() const { return TextToInt(value_); }
int64_t vK_DataString::GetLong() const { return TextToInt(value_); }
float vK_DataString::GetFloat() const { return static_cast<float>(TextToDouble(value_)); }
double vK_DataString::GetDouble() const { return TextToDouble(value_); }

vK_DataArray::~vK_DataArray() {
    for (vK_Data* item : items_) delete item;
}

vK_Data* vK_DataArray::Clone() const {
    auto* copy = new vK_DataArray();
    copy->items_.reserve(items_.size());
    for (const vK_Data* item : items_) copy->items_.push_back(item->Clone());
    return copy;
}

void vK_DataArray::Push(vK_Data* value) { items_.push_back(value ? value : new vK_Data()); }

vK_DataTable* vK_DataArray::PushTable() {
    auto* t = new vK_DataTable();
    Push(t);
    return t;
}

vK_DataArray* vK_DataArray::PushArray() {
    auto* a = new vK_DataArray();
    Push(a);
    return a;
}

vK_DataTable::~vK_DataTable() { Clear(); }

vK_Data* vK_DataTable::Get(const std::string& key) const {
    auto it = items_.find(key);
    return it == items_.end() ? nullptr : it->second;
}

vK_Data* vK_DataTable::Clone() const {
    auto* copy = new vK_DataTable();
    for (const auto& [key, value] : items_)
        copy->items_.emplace_hint(copy->items_.end(), key, value->Clone());
    return copy;
}

void vK_DataTable::Set(std::string key, vK_Data* value) {
    if (!value) value = new vK_Data();
    // With the end as hint, a key above every stored key is appended after one
    // comparison; any other key is searched as usual. An existing key keeps its
    // node and gets the new value.
    const size_t size_before = items_.size();
    auto it = items_.emplace_hint(items_.end(), std::move(key), value);
    if (items_.size() == size_before && it->second != value) {
        delete it->second;
        it->second = value;
    }
}

void vK_DataTable::SetCopy(const std::string& key, const vK_Data* value) {
    Set(key, value ? value->Clone() : new vK_Data());
}

vK_DataTable* vK_DataTable::SetTable(const std::string& key) {
    auto* t = new vK_DataTable();
    Set(key, t);
    return t;
}

vK_DataArray* vK_DataTable::SetArray(const std::string& key) {
    auto* a = new vK_DataArray();
    Set(key, a);
    return a;
}

bool vK_DataTable::Remove(const std::string& key) {
    auto it = items_.find(key);
    if (it == items_.end()) return false;
    delete it->second;
    items_.erase(it);
    return true;
}

void vK_DataTable::Clear() {
    for (auto& entry : items_) delete entry.second;
    items_.clear();
}

namespace {
// The scalar kinds a typed getter converts: int, long, float, double, bool, string.
const vK_Data* ScalarOrReport(const vK_DataTable& table, const std::string& key, const char* target,
                              bool& present) {
    const vK_Data* v = table.Get(key);
    present = v != nullptr;
    if (!v) return nullptr;
    if (v->GetTag() >= vK_Data::kInt && v->GetTag() <= vK_Data::kString) return v;
    Log("Error: Can not convert a value of '%s' (%s) to %s", key.c_str(), v->GetTypeName(), target);
    return nullptr;
}
}  // namespace

bool vK_DataTable::GetBool(const std::string& key, bool& out) const {
    bool present;
    const vK_Data* v = ScalarOrReport(*this, key, "Data_Bool", present);
    if (v) out = v->GetBool();
    return v != nullptr;
}

bool vK_DataTable::GetInt(const std::string& key, int32_t& out) const {
    bool present;
    const vK_Data* v = ScalarOrReport(*this, key, "Data_Int", present);
    if (v) out = NumberToInt(*v);
    return v != nullptr;
}

bool vK_DataTable::GetFloat(const std::string& key, float& out) const {
    bool present;
    const vK_Data* v = ScalarOrReport(*this, key, "Data_Float", present);
    if (v) out = NumberToFloat(*v);
    return v != nullptr;
}

bool vK_DataTable::GetString(const std::string& key, std::string& out) const {
    bool present;
    const vK_Data* v = ScalarOrReport(*this, key, "Data_String", present);
    if (v) out = v->ToString();
    return v != nullptr;
}

bool vK_DataTable::GetScriptFunction(const std::string& key, vK_DataScriptFunction& out) const {
    const vK_Data* v = Get(key);
    if (!v) return false;
    if (v->GetTag() == kString) {
        out.SetHandle(ResolveScriptFunction(static_cast<const vK_DataString*>(v)->Value()));
        return true;
    }
    if (v->GetTag() == kScriptFunction) {
        out.CopyFrom(*static_cast<const vK_DataScriptFunction*>(v));
        return true;
    }
    Log("Error: Can not convert a value of '%s' (%s) to Data_ScriptFunction", key.c_str(), v->GetTypeName());
    return false;
}

vK_Data* FindData(const vK_Data* root, const std::string& path) {
    const vK_Data* current = root;
    size_t start = 0;
    while (current && start < path.size()) {
        size_t dot = path.find('.', start);
        if (dot == std::string::npos) dot = path.size();
        const std::string component = path.substr(start, dot - start);
        if (current->GetTag() == vK_Data::kTable) {
            current = current->Get(component);
        } else if (current->GetTag() == vK_Data::kArray) {
            current = current->GetAt(static_cast<unsigned>(TextToInt(component)));
        } else {
            current = nullptr;
        }
        start = dot + 1;
    }
    return const_cast<vK_Data*>(current);
}

int32_t FindInt(const vK_Data* root, const std::string& path, int32_t def) {
    const vK_Data* v = FindData(root, path);
    return IsNumber(v) ? NumberToInt(*v) : def;
}

float FindFloat(const vK_Data* root, const std::string& path, float def) {
    const vK_Data* v = FindData(root, path);
    return IsNumber(v) ? NumberToFloat(*v) : def;
}

bool FindBool(const vK_Data* root, const std::string& path, bool def) {
    const vK_Data* v = FindData(root, path);
    return v && v->GetTag() == vK_Data::kBool ? v->GetBool() : def;
}

std::string FindString(const vK_Data* root, const std::string& path, const std::string& def) {
    const vK_Data* v = FindData(root, path);
    if (!v) return def;
    switch (v->GetTag()) {
        case vK_Data::kInt:
        case vK_Data::kLong:
        case vK_Data::kFloat:
        case vK_Data::kBool:
        case vK_Data::kString:
            return v->ToString();
        default:
            return def;
    }
}

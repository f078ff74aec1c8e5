// The JSON writer: the styled layout (tab indentation, short arrays on one line)
// and the compact single-line layout.
#include <cfloat>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "data/data.h"
#include "data/json.h"
#include "data/json_number.h"
#include "files/log.h"

namespace {

constexpr int kRightMargin = 74;

// Bytes that quoting escapes: the control bytes, the quote and the backslash.
constexpr struct EscapeTable {
    bool flag[256] = {};
    constexpr EscapeTable() {
        for (int c = 0; c < 0x20; ++c) flag[c] = true;
        flag[static_cast<unsigned char>('"')] = true;
        flag[static_cast<unsigned char>('\\')] = true;
    }
} kEscape;

inline bool NeedsEscape(unsigned char c) { return kEscape.flag[c]; }

// Quotes text; the quote, the backslash and every control byte are escaped (the
// zero byte too, so that the text stays valid JSON for any reader). Bytes of 0x80
// and above are copied as they are.
void AppendQuoted(std::string& out, const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    out += '"';
    size_t plain = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!NeedsEscape(c)) continue;
        out.append(text, plain, i - plain);
        plain = i + 1;
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 0xF];
                break;
        }
    }
    out.append(text, plain, std::string::npos);
    out += '"';
}

template <typename Int>
void AppendInteger(std::string& out, Int value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

// Gives a number text a '.' when it has neither '.' nor exponent ("100" -> "100.0").
char* EnsureRealMarker(char* first, char* last) {
    for (char* p = first; p < last; ++p) {
        if (*p == '.' || *p == 'e' || *p == 'E' || *p == 'n' || *p == 'i') return last;
    }
    *last++ = '.';
    *last++ = '0';
    return last;
}

bool InFloatRange(double v) { return v >= static_cast<double>(FLT_MIN) && v <= static_cast<double>(FLT_MAX); }

// See data/json_number.h for the rule this follows.
void AppendReal(std::string& out, double v, const char* kind) {
    if (!std::isfinite(v)) {
        Log("Warning: vK_JsonWriter : %s value %s written as null", kind, std::isnan(v) ? "nan" : "inf");
        out += "null";
        return;
    }
    char buffer[64];
    const auto f = static_cast<float>(v);
    if (static_cast<double>(f) == v) {
        char* last = std::to_chars(buffer, buffer + 32, f).ptr;
        last = EnsureRealMarker(buffer, last);
        double back = 0.0;
        if (InFloatRange(v) || (ParseDouble(buffer, last, back) == last && back == v)) {
            out.append(buffer, last);
            return;
        }
    }
    char* last = std::to_chars(buffer, buffer + 32, v).ptr;
    last = EnsureRealMarker(buffer, last);
    if (InFloatRange(v)) {
        char* exponent = buffer;
        while (exponent < last && *exponent != 'e') ++exponent;
        int digits = CountSignificantDigits(buffer, exponent);
        if (digits <= kJsonFloatDigits) {
            std::string mantissa(buffer, exponent);
            const std::string tail(exponent, last);
            if (mantissa.find('.') == std::string::npos) mantissa += '.';
            for (; digits <= kJsonFloatDigits; ++digits) mantissa += '0';
            out += mantissa;
            out += tail;
            return;
        }
    }
    out.append(buffer, last);
}

class JsonWriter {
public:
    JsonWriter(std::string& out, bool compact) : out_(out), compact_(compact) {}

    void Write(const vK_Data& value) {
        if (compact_) {
            WriteCompact(value);
        } else {
            WriteStyled(value);
        }
    }

private:
    // Every kind except non-empty containers, which are the same in both layouts.
    static void AppendScalar(std::string& out, const vK_Data& value) {
        switch (value.GetTag()) {
            case vK_Data::kScriptFunction:
                AppendQuoted(out, value.ToString());
                break;
            case vK_Data::kInt:
                AppendInteger(out, value.GetInt());
                break;
            case vK_Data::kLong:
                AppendInteger(out, value.GetLong());
                break;
            case vK_Data::kFloat:
                AppendReal(out, value.GetDouble(), "Data_Float");
                break;
            case vK_Data::kDouble:
                AppendReal(out, value.GetDouble(), "Data_Double");
                break;
            case vK_Data::kBool:
                out += value.GetBool() ? "true" : "false";
                break;
            case vK_Data::kString:
                AppendQuoted(out, static_cast<const vK_DataString&>(value).Value());
                break;
            case vK_Data::kArray:
                out += "[]";
                break;
            case vK_Data::kTable:
                out += "{}";
                break;
            default:
                out += "null";
                break;
        }
    }

    static bool IsFilledContainer(const vK_Data& value) {
        switch (value.GetTag()) {
            case vK_Data::kArray:
                return !static_cast<const vK_DataArray&>(value).Empty();
            case vK_Data::kTable:
                return !static_cast<const vK_DataTable&>(value).Empty();
            default:
                return false;
        }
    }

    void WriteCompact(const vK_Data& value) {
        const int tag = value.GetTag();
        if (tag == vK_Data::kArray) {
            const auto* array = static_cast<const vK_DataArray*>(&value);
            out_ += '[';
            bool first = true;
            for (const vK_Data* item : *array) {
                if (!first) out_ += ',';
                first = false;
                WriteCompact(*item);
            }
            out_ += ']';
        } else if (tag == vK_Data::kTable) {
            const auto* table = static_cast<const vK_DataTable*>(&value);
            out_ += '{';
            bool first = true;
            for (const auto& [key, item] : *table) {
                if (!first) out_ += ',';
                first = false;
                AppendQuoted(out_, key);
                out_ += ':';
                WriteCompact(*item);
            }
            out_ += '}';
        } else {
            AppendScalar(out_, value);
        }
    }

    // A line feed, the current indentation, then text.
    void WriteWithIndent(const char* text) {
        out_ += '\n';
        out_ += indent_;
        out_ += text;
    }

    void WriteStyled(const vK_Data& value) {
        if (!IsFilledContainer(value)) {
            AppendScalar(out_, value);
        } else if (value.GetTag() == vK_Data::kTable) {
            WriteTable(static_cast<const vK_DataTable&>(value));
        } else {
            WriteArray(static_cast<const vK_DataArray&>(value));
        }
    }

    void WriteTable(const vK_DataTable& table) {
        WriteWithIndent("{");
        indent_ += '\t';
        bool first = true;
        for (const auto& [key, item] : table) {
            if (!first) out_ += ',';
            first = false;
            out_ += '\n';
            out_ += indent_;
            AppendQuoted(out_, key);
            out_ += " : ";
            WriteStyled(*item);
        }
        indent_.pop_back();
        WriteWithIndent("}");
    }

    void WriteArray(const vK_DataArray& array) {
        const size_t size = array.Size();
        std::vector<std::string> texts;
        bool multi_line = size * 3 >= kRightMargin;
        if (!multi_line) {
            for (const vK_Data* item : array) {
                if (IsFilledContainer(*item)) {
                    multi_line = true;
                    break;
                }
            }
        }
        if (!multi_line) {
            size_t width = 2 + 2 * size;
            texts.reserve(size);
            for (const vK_Data* item : array) {
                texts.emplace_back();
                AppendScalar(texts.back(), *item);
                width += texts.back().size();
            }
            multi_line = width >= kRightMargin;
        }
        if (!multi_line) {
            out_ += "[ ";
            for (size_t i = 0; i < size; ++i) {
                if (i) out_ += ", ";
                out_ += texts[i];
            }
            out_ += " ]";
            return;
        }
        WriteWithIndent("[");
        indent_ += '\t';
        for (size_t i = 0; i < size; ++i) {
            if (i) out_ += ',';
            out_ += '\n';
            out_ += indent_;
            if (i < texts.size()) {
                out_ += texts[i];
            } else {
                WriteStyled(*array.GetAt(static_cast<unsigned>(i)));
            }
        }
        indent_.pop_back();
        WriteWithIndent("]");
    }

    std::string& out_;
    std::string indent_;
    bool compact_;
};

}  // namespace

void WriteJson(const vK_Data* value, std::string& out, bool compact) {
    out.clear();
    const vK_Data null_value;
    JsonWriter(out, compact).Write(value ? *value : null_value);
}

// The JSON reader: a single pass over an in-memory buffer with one token of
// look-ahead, building vK_Data trees directly.
#include "data/json.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "data/data.h"
#include "data/json_number.h"
#include "data/utf8.h"
#include "files/log.h"

namespace {

enum TokenType {
    kTokenEnd = 0,
    kTokenObjectBegin = 1,
    kTokenObjectEnd = 2,
    kTokenArrayBegin = 3,
    kTokenArrayEnd = 4,
    kTokenString = 5,
    kTokenNumber = 6,
    kTokenTrue = 7,
    kTokenFalse = 8,
    kTokenNull = 9,
    kTokenComma = 10,
    kTokenColon = 11,
    kTokenError = 12,
};

struct Token {
    TokenType type = kTokenEnd;
    const char* start = nullptr;
    const char* end = nullptr;
    bool escaped = false;  // a string token holding at least one backslash
};

// Report texts are cut to this many characters each.
constexpr size_t kReportLimit = 500;

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
inline bool IsNumberByte(char c) {
    return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class JsonReader {
public:
    JsonReader(const char* begin, const char* end, vK_JsonError* error = nullptr)
        : begin_(begin), current_(begin), end_(end), error_(error) {}

    vK_Data* ReadValue(int depth) {
        Token token;
        ReadToken(token);
        return ValueFromToken(token, depth);
    }

private:
    void SkipBlanks() {
        while (current_ < end_ && IsBlank(*current_)) ++current_;
    }

    void ReadToken(Token& token) {
        SkipBlanks();
        token.start = current_;
        token.escaped = false;
        if (current_ == end_ || *current_ == '\0') {
            token.type = kTokenEnd;
            token.end = current_;
            return;
        }
        const char c = *current_++;
        switch (c) {
            case '{':
                token.type = kTokenObjectBegin;
                break;
            case '}':
                token.type = kTokenObjectEnd;
                break;
            case '[':
                token.type = kTokenArrayBegin;
                break;
            case ']':
                token.type = kTokenArrayEnd;
                break;
            case ',':
                token.type = kTokenComma;
                break;
            case ':':
                token.type = kTokenColon;
                break;
            case '"':
                ScanString(token);
                break;
            case 't':
                token.type = MatchWord("rue", kTokenTrue);
                break;
            case 'f':
                token.type = MatchWord("alse", kTokenFalse);
                break;
            case 'n':
                token.type = MatchWord("ull", kTokenNull);
                break;
            case '/':
                token.type = kTokenError;
                token.end = current_;
                ReportError("Error. vK_JsonParser : Comments are not compatible", token);
                break;
            default:
                if (c == '-' || (c >= '0' && c <= '9')) {
                    while (current_ < end_ && IsNumberByte(*current_)) ++current_;
                    token.type = kTokenNumber;
                } else {
                    token.type = kTokenError;
                }
                break;
        }
        token.end = current_;
    }

    // After the opening quote: up to the next quote that no backslash escapes.
    void ScanString(Token& token) {
        const char* p = current_;
        const char* quote = nullptr;
        for (;;) {
            // Most string bytes are plain: jump to the next quote, then look for a
            // backslash before it. The quote is searched again only once an escape
            // has skipped it, so the scan stays linear.
            if (!quote || quote < p) {
                quote = static_cast<const char*>(std::memchr(p, '"', static_cast<size_t>(end_ - p)));
                if (!quote) {
                    current_ = end_;
                    token.type = kTokenError;
                    return;
                }
            }
            const char* slash =
                static_cast<const char*>(std::memchr(p, '\\', static_cast<size_t>(quote - p)));
            if (!slash) {
                current_ = quote + 1;
                token.type = kTokenString;
                return;
            }
            token.escaped = true;
            if (end_ - slash < 2) {
                current_ = end_;
                token.type = kTokenError;
                return;
            }
            p = slash + 2;  // a backslash skips the byte after it
        }
    }

    TokenType MatchWord(const char* rest, TokenType type) {
        for (const char* r = rest; *r; ++r) {
            if (current_ == end_ || *current_ != *r) return kTokenError;
            ++current_;
        }
        return type;
    }

    vK_Data* ValueFromToken(Token& token, int depth) {
        switch (token.type) {
            case kTokenObjectBegin:
                return ReadObject(token, depth + 1);
            case kTokenArrayBegin:
                return ReadArray(token, depth + 1);
            case kTokenString: {
                std::string text;
                if (!DecodeString(token, text)) return nullptr;
                return new vK_DataString(std::move(text));
            }
            case kTokenNumber:
                return DecodeNumber(token);
            case kTokenTrue:
                return new vK_DataBool(true);
            case kTokenFalse:
                return new vK_DataBool(false);
            case kTokenNull:
                return new vK_Data();
            default:
                ReportError("Error. vK_JsonParser : Syntax error: value, object or array expected", token);
                return nullptr;
        }
    }

    bool CheckDepth(const Token& token, int depth) {
        if (depth <= kJsonMaxDepth) return true;
        ReportError("Error. vK_JsonParser : Nesting of objects and arrays is too deep", token);
        return false;
    }

    vK_Data* ReadObject(Token& token, int depth) {
        if (!CheckDepth(token, depth)) return nullptr;
        auto table = std::make_unique<vK_DataTable>();
        ReadToken(token);
        if (token.type == kTokenObjectEnd) return table.release();
        std::string key;
        for (;;) {
            if (token.type != kTokenString) {
                ReportError("Error. vK_JsonParser : Missing '}' or object member name", token);
                return nullptr;
            }
            if (!DecodeString(token, key)) return nullptr;
            ReadToken(token);
            if (token.type != kTokenColon) {
                ReportError("Error. vK_JsonParser : Missing ':' after object member name", token);
                return nullptr;
            }
            vK_Data* value = ReadValue(depth);
            if (!value) return nullptr;
            table->Set(std::move(key), value);
            key.clear();
            ReadToken(token);
            if (token.type == kTokenObjectEnd) return table.release();
            if (token.type != kTokenComma) {
                ReportError("Error. vK_JsonParser : Missing ',' or '}' in object declaration", token);
                return nullptr;
            }
            ReadToken(token);
        }
    }

    vK_Data* ReadArray(Token& token, int depth) {
        if (!CheckDepth(token, depth)) return nullptr;
        SkipBlanks();
        if (current_ < end_ && *current_ == ']') {
            ++current_;
            return new vK_DataArray();
        }
        // Elements gather on a stack shared by all arrays being read (nested ones
        // above this one's), so each array is allocated once at its final size.
        const size_t base = stack_.size();
        for (;;) {
            vK_Data* value = ReadValue(depth);
            if (!value) return DropElements(base);
            stack_.push_back(value);
            ReadToken(token);
            if (token.type == kTokenArrayEnd) break;
            if (token.type != kTokenComma) {
                ReportError("Error. vK_JsonParser : Missing ',' or ']' in array declaration", token);
                return DropElements(base);
            }
        }
        auto* array = new vK_DataArray();
        array->Reserve(stack_.size() - base);
        for (size_t i = base; i < stack_.size(); ++i) array->Push(stack_[i]);
        stack_.resize(base);
        return array;
    }

    vK_Data* DropElements(size_t base) {
        for (size_t i = base; i < stack_.size(); ++i) delete stack_[i];
        stack_.resize(base);
        return nullptr;
    }

    vK_Data* DecodeNumber(const Token& token) {
        const char* first = token.start;
        const char* last = token.end;
        bool real = false;
        for (const char* p = first; p < last; ++p) {
            const char c = *p;
            if (c == '.' || c == 'e' || c == 'E' || c == '+' || (c == '-' && p != first)) {
                real = true;
                break;
            }
        }
        if (!real) {
            // Optional '-', then digits; the accumulation wraps modulo 2^64.
            const char* p = first;
            const bool negative = p < last && *p == '-';
            if (negative) ++p;
            uint64_t value = 0;
            for (; p < last; ++p) {
                if (*p < '0' || *p > '9') {
                    ReportError("Error. vK_JsonParser : string is not a number", token);
                    return nullptr;
                }
                value = value * 10 + static_cast<uint64_t>(*p - '0');
            }
            if (negative) value = 0 - value;
            const auto signed_value = static_cast<int64_t>(value);
            if (signed_value >= INT32_MIN && signed_value <= INT32_MAX) {
                return new vK_DataInt(static_cast<int32_t>(signed_value));
            }
            return new vK_DataLong(signed_value);
        }
        // Most such numbers are positive and short: parse them as a float at once.
        // A result strictly inside (FLT_MIN, FLT_MAX) proves that the exact value is
        // in the single range too; anything else takes the double path.
        if (*first != '-') {
            float f = 0.0f;
            const auto result = std::from_chars(first, last, f, std::chars_format::general);
            if (result.ec == std::errc() && f > FLT_MIN && f < FLT_MAX &&
                CountSignificantDigits(first, result.ptr) <= kJsonFloatDigits) {
                return new vK_DataFloat(f);
            }
        }
        double d = 0.0;
        const char* stop = ParseDouble(first, last, d);
        if (stop == first) {
            ReportError("Error. vK_JsonParser : string is not a number", token);
            return nullptr;
        }
        if (d >= static_cast<double>(FLT_MIN) && d <= static_cast<double>(FLT_MAX) &&
            CountSignificantDigits(first, stop) <= kJsonFloatDigits) {
            float f = 0.0f;
            std::from_chars(first, stop, f, std::chars_format::general);
            return new vK_DataFloat(f);
        }
        return new vK_DataDouble(d);
    }

    bool DecodeString(const Token& token, std::string& out) {
        const char* p = token.start + 1;
        const char* last = token.end - 1;  // the closing quote
        if (!token.escaped) {
            out.assign(p, last);
            return true;
        }
        out.clear();
        out.reserve(static_cast<size_t>(last - p));
        while (p < last) {
            const char* plain = p;
            while (p < last && *p != '\\') ++p;
            out.append(plain, p);
            if (p == last) break;
            ++p;  // the backslash
            if (p == last) {
                ReportError("Error. vK_JsonParser : Empty escape sequence in string", token);
                return false;
            }
            const char e = *p++;
            switch (e) {
                case '"':
                    out += '"';
                    break;
                case '/':
                    out += '/';
                    break;
                case '\\':
                    out += '\\';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    uint32_t code = 0;
                    if (!DecodeUnicode(token, p, last, code)) {
                        ReportError("Error. vK_JsonParser : Bad unicode sequence in string", token);
                        return false;
                    }
                    AppendUtf8(out, code);
                    break;
                }
                default:
                    ReportError("Error. vK_JsonParser : Bad escape sequence in string", token);
                    return false;
            }
        }
        return true;
    }

    // p is just after "\u"; on success it is moved past the escape (or pair).
    bool DecodeUnicode(const Token& token, const char*& p, const char* last, uint32_t& code) {
        if (!DecodeHex4(token, p, last, code)) return false;
        if (code >= 0xD800 && code <= 0xDBFF) {
            if (last - p < 6) {
                ReportError(
                    "Error. vK_JsonParser : additional six characters expected to parse unicode surrogate "
                    "pair",
                    token);
                return false;
            }
            if (p[0] != '\\' || p[1] != 'u') {
                ReportError(
                    "Error. vK_JsonParser : expecting another \\u token to begin the second half of a "
                    "unicode "
                    "surrogate pair",
                    token);
                return false;
            }
            p += 2;
            uint32_t second = 0;
            if (!DecodeHex4(token, p, last, second)) return false;
            code = 0x10000 + ((code & 0x3FF) << 10) + (second & 0x3FF);
        }
        return true;
    }

    bool DecodeHex4(const Token& token, const char*& p, const char* last, uint32_t& code) {
        if (last - p < 4) {
            ReportError("Error. vK_JsonParser : Bad unicode escape sequence in string: four digits expected",
                        token);
            return false;
        }
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = HexValue(p[i]);
            if (digit < 0) {
                ReportError(
                    "Error. vK_JsonParser : Bad unicode escape sequence in string: hexadecimal digit "
                    "expected",
                    token);
                return false;
            }
            code = code * 16 + static_cast<uint32_t>(digit);
        }
        p += 4;
        return true;
    }

    // "<message>.1 Pos: <offset> Error token: <token text>", message and token cut
    // to 500 characters each.
    void ReportError(const char* message, const Token& token) {
        const size_t token_length = std::min(static_cast<size_t>(token.end - token.start), kReportLimit);
        const std::string text(token.start, token_length);
        const std::string cut_message(message, std::min(std::strlen(message), kReportLimit));
        Log("%s.1 Pos: %d Error token: %s", cut_message.c_str(), static_cast<int>(current_ - begin_),
            text.c_str());
        if (error_ && error_->line == 0) Locate(message, token);
    }

    // The first report's place: the line and column of its token's first byte.
    void Locate(const char* message, const Token& token) {
        static constexpr std::string_view kTag = "Error. vK_JsonParser : ";
        std::string_view text(message);
        if (text.substr(0, kTag.size()) == kTag) text.remove_prefix(kTag.size());
        error_->message.assign(text.substr(0, kReportLimit));
        const char* at = token.start >= begin_ && token.start <= end_ ? token.start : current_;
        error_->line = 1;
        error_->column = 1;
        for (const char* p = begin_; p < at; ++p) {
            if (*p == '\n') {
                ++error_->line;
                error_->column = 1;
            } else {
                ++error_->column;
            }
        }
    }

    const char* begin_;
    const char* current_;
    const char* end_;
    vK_JsonError* error_;
    std::vector<vK_Data*> stack_;
};

}  // namespace

std::unique_ptr<vK_Data> ParseJson(std::string_view text) {
    JsonReader reader(text.data(), text.data() + text.size());
    return std::unique_ptr<vK_Data>(reader.ReadValue(0));
}

std::unique_ptr<vK_Data> ParseJson(std::string_view text, vK_JsonError* error) {
    JsonReader reader(text.data(), text.data() + text.size(), error);
    return std::unique_ptr<vK_Data>(reader.ReadValue(0));
}

std::unique_ptr<vK_Data> ParseJson(const void* data, size_t size) {
    return ParseJson(std::string_view(static_cast<const char*>(data), size));
}

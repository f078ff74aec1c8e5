#include "app/tools/asset_check_scan.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <lua.hpp>
#include <regex>

#include "files/log.h"
#include "files/os_services.h"
#include "graphics/image.h"
#include "graphics/image_codec.h"
#include "script/module_header.h"

namespace {

// The opening of a long bracket at i ("[[", "[==["): its level, or -1.
int LongBracketLevel(const std::string& s, size_t i) {
    if (i >= s.size() || s[i] != '[') return -1;
    size_t j = i + 1;
    while (j < s.size() && s[j] == '=') ++j;
    return j < s.size() && s[j] == '[' ? static_cast<int>(j - i - 1) : -1;
}

// Where the long bracket of level closes after from (just past it), or the end.
size_t LongBracketEnd(const std::string& s, size_t from, int level) {
    const std::string close = "]" + std::string(static_cast<size_t>(level), '=') + "]";
    const size_t at = s.find(close, from);
    return at == std::string::npos ? s.size() : at + close.size();
}

// The code with every comment blanked (line breaks kept, so lines still count).
std::string BlankComments(const std::string& code) {
    std::string out = code;
    auto blank = [&](size_t from, size_t to) {
        for (size_t k = from; k < to && k < out.size(); ++k)
            if (out[k] != '\n') out[k] = ' ';
    };
    size_t i = 0;
    while (i < code.size()) {
        const char c = code[i];
        if (c == '"' || c == '\'') {
            size_t j = i + 1;
            while (j < code.size() && code[j] != c && code[j] != '\n') j += code[j] == '\\' ? 2 : 1;
            i = j + 1;
        } else if (c == '[' && LongBracketLevel(code, i) >= 0) {
            const int level = LongBracketLevel(code, i);
            i = LongBracketEnd(code, i + static_cast<size_t>(level) + 2, level);
        } else if (c == '-' && i + 1 < code.size() && code[i + 1] == '-') {
            const int level = LongBracketLevel(code, i + 2);
            size_t end = level >= 0 ? LongBracketEnd(code, i + 4 + static_cast<size_t>(level), level)
                                    : code.find('\n', i);
            if (end == std::string::npos) end = code.size();
            blank(i, end);
            i = end;
        } else {
            ++i;
        }
    }
    return out;
}

int LineAt(const std::string& text, size_t pos) {
    int line = 1;
    for (size_t k = 0; k < pos && k < text.size(); ++k) line += text[k] == '\n';
    return line;
}

// Compiles text; on failure answers the message of the chunk "=check" without its
// "check:" prefix, and the line it names.
bool Compile(const std::string& text, int& line, std::string& error) {
    lua_State* L = luaL_newstate();
    if (!L) {
        error = "no Lua state";
        return false;
    }
    const bool ok = luaL_loadbuffer(L, text.data(), text.size(), "=check") == 0;
    if (!ok) {
        const char* message = lua_tostring(L, -1);
        error = message ? message : "unknown error";
        line = 0;
        if (error.rfind("check:", 0) == 0) {
            const size_t colon = error.find(':', 6);
            line = std::atoi(error.c_str() + 6);
            if (colon != std::string::npos) error = error.substr(colon + 1);
            if (!error.empty() && error[0] == ' ') error.erase(0, 1);
        }
    }
    lua_close(L);
    return ok;
}

}  // namespace

bool ListDiskFolder(const std::string& folder, std::vector<std::string>& files,
                    std::vector<std::string>& folders, std::string& why) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::directory_iterator it(OsPath(folder), ec);
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::error_code one;
        const std::string name = OsPathText(it->path().filename());
        if (it->is_directory(one) && !it->is_symlink(one))
            folders.push_back(name);
        else if (it->is_regular_file(one))
            files.push_back(name);
    }
    if (ec) why = ec.message();
    return !ec;
}

vK_FolderScan ScanFolderTree(const std::string& root, const std::string& prefix, vK_FolderLister list) {
    vK_FolderScan scan;
    std::vector<std::string> pending = {std::string()};
    while (!pending.empty()) {
        const std::string relative = pending.back();
        pending.pop_back();
        const std::string shown = relative.empty() ? prefix : prefix + "/" + relative;
        std::vector<std::string> files, folders;
        std::string why;
        if (!list(relative.empty() ? root : root + "/" + relative, files, folders, why))
            scan.unreadable.emplace_back(shown, why.empty() ? "unknown error" : why);
        for (const std::string& file : files) scan.files.push_back(shown + "/" + file);
        for (const std::string& folder : folders)
            pending.push_back(relative.empty() ? folder : relative + "/" + folder);
    }
    return scan;
}

bool EndsWith(const std::string& s, const char* suffix) {
    const size_t n = std::char_traits<char>::length(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

std::string WithoutExtension(const std::string& path) { return path.substr(0, path.rfind('.')); }

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ResourcePath(const std::string& value, const std::string& folder) {
    std::string path = value;
    std::replace(path.begin(), path.end(), '\\', '/');
    return path.rfind("assets/", 0) == 0 ? path : folder + path;
}

bool ModuleHeaderName(const std::string& code, std::string& name) {
    if (code.rfind("--", 0) != 0) return false;
    size_t i = 2;
    while (i < code.size() && std::isspace(static_cast<unsigned char>(code[i]))) ++i;
    if (code.compare(i, 5, "name=") != 0) return false;
    i += 5;
    while (i < code.size() && std::isspace(static_cast<unsigned char>(code[i]))) ++i;
    size_t end = i;
    while (end < code.size() && !std::isspace(static_cast<unsigned char>(code[end]))) ++end;
    if (end == i) return false;
    name = code.substr(i, end - i);
    return true;
}

bool CompileModuleCode(const std::string& code, int& line, std::string& error) {
    // Wrapped exactly as the loader wraps it, so lines are the file's.
    std::string body = code, name;
    ApplyModuleHeader(body, name);
    if (Compile(WrapModuleCode(body, std::string()), line, error)) return true;
    // An error in the wrapper's closing lines (an extra "end", say) belongs to the file's
    // last line.
    int lines = 1;
    for (char c : code) lines += c == '\n';
    line = line > 0 ? std::min(line, lines) : 0;
    return false;
}

bool CompileLuaSnippet(const std::string& code, std::string& error) {
    int line = 0;
    return Compile(code, line, error);
}

std::set<std::string> DefinedFunctions(const std::string& code) {
    static const std::regex kDefinition(
        R"re((?:function\s{1,32}public\s{0,32}[.:]\s{0,32}([A-Za-z_]\w{0,127}))|(?:public\s{0,32}\.\s{0,32}([A-Za-z_]\w{0,127})\s{0,32}=[^=]))re");
    std::set<std::string> names;
    const std::string text = BlankComments(code);
    for (std::sregex_iterator it(text.begin(), text.end(), kDefinition), end; it != end; ++it)
        names.insert((*it)[1].matched ? (*it)[1].str() : (*it)[2].str());
    return names;
}

std::vector<LuaLiteralCall> FindLiteralCalls(const std::string& code) {
    // A literal string argument in double or single quotes.
    static const std::string kLiteral = R"re((?:"([^"\\\n]{0,1024})"|'([^'\\\n]{0,1024})'))re";
    static const std::regex kCall(
        R"re(\b(vk\.mod\.LoadInstance|vk\.mod\.Load|ModLoad|SwitchLevel|vk\.snd\.Play|SndPlay|PlaySfx|PlayEnv|)re"
        R"re(PlaySoundtrack|PlayVoice|vk\.strings\.Get|StringGet|vk\.strings\.Load|StringLoad|vk\.cursor\.Load|)re"
        R"re(CursorLoad)\s{0,32}\(\s{0,32})re" +
        kLiteral + R"re((?:\s{0,32},\s{0,32})re" + kLiteral + ")?");
    static const std::regex kRes(R"re(\bres\s{0,32}=\s{0,32})re" + kLiteral);
    const std::string text = BlankComments(code);
    std::vector<LuaLiteralCall> calls;
    for (std::sregex_iterator it(text.begin(), text.end(), kCall), end; it != end; ++it) {
        const std::smatch& m = *it;
        const std::string function = m[1].str();
        LuaLiteralCall call{LuaLiteralCall::kResource, LineAt(text, static_cast<size_t>(m.position(0))),
                            m[2].matched ? m[2].str() : m[3].str(), ""};
        if (function.find("Load") != std::string::npos && function.find("mod") != std::string::npos) {
            call.kind = LuaLiteralCall::kModule;
        } else if (function == "SwitchLevel") {
            call.kind = LuaLiteralCall::kModule;
            call.second = m[4].matched ? m[4].str() : m[5].str();
        } else if (function.find("Play") != std::string::npos) {
            call.kind = LuaLiteralCall::kSound;
        } else if (function == "StringGet" || function == "vk.strings.Get") {
            call.kind = LuaLiteralCall::kStringId;
        } else if (function == "StringLoad" || function == "vk.strings.Load") {
            call.kind = LuaLiteralCall::kStringTable;
        }
        if (!call.argument.empty()) calls.push_back(call);
    }
    for (std::sregex_iterator it(text.begin(), text.end(), kRes), end; it != end; ++it) {
        const std::string value = (*it)[1].matched ? (*it)[1].str() : (*it)[2].str();
        if (!value.empty())
            calls.push_back(
                {LuaLiteralCall::kResource, LineAt(text, static_cast<size_t>(it->position(0))), value, ""});
    }
    return calls;
}

namespace {
bool IsWord(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The keys "name = " at the top level of the table constructor whose '{' is at open.
std::vector<std::pair<std::string, int>> TableKeys(const std::string& text, size_t open) {
    std::vector<std::pair<std::string, int>> keys;
    int depth = 0;
    bool expectKey = false;
    for (size_t i = open; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            size_t j = i + 1;
            while (j < text.size() && text[j] != c && text[j] != '\n') j += text[j] == '\\' ? 2 : 1;
            i = j;
            expectKey = false;
        } else if (c == '[' && LongBracketLevel(text, i) >= 0) {
            const int level = LongBracketLevel(text, i);
            i = LongBracketEnd(text, i + static_cast<size_t>(level) + 2, level) - 1;
            expectKey = false;
        } else if (c == '{' || c == '(' || c == '[') {
            expectKey = ++depth == 1;
        } else if (c == '}' || c == ')' || c == ']') {
            if (--depth == 0) break;
        } else if (depth == 1 && (c == ',' || c == ';')) {
            expectKey = true;
        } else if (expectKey && !std::isspace(static_cast<unsigned char>(c))) {
            expectKey = false;
            if (!std::isalpha(static_cast<unsigned char>(c)) && c != '_') continue;
            size_t end = i;
            while (end < text.size() && IsWord(text[end])) ++end;
            size_t k = end;
            while (k < text.size() && std::isspace(static_cast<unsigned char>(text[k]))) ++k;
            if (k < text.size() && text[k] == '=' && (k + 1 >= text.size() || text[k + 1] != '='))
                keys.emplace_back(text.substr(i, end - i), LineAt(text, i));
            i = end - 1;
        }
    }
    return keys;
}
}  // namespace

std::vector<LuaObjSetCall> FindObjSetCalls(const std::string& code) {
    static const std::regex kCall(
        R"re(\b(?:vk\.obj\.Set|ObjSet)\s{0,32}\(\s{0,32}(?:"([^"\\\n]{1,256})"|'([^'\\\n]{1,256})')\s{0,32},\s{0,32}\{)re");
    const std::string text = BlankComments(code);
    std::vector<LuaObjSetCall> calls;
    for (std::sregex_iterator it(text.begin(), text.end(), kCall), end; it != end; ++it) {
        const std::smatch& m = *it;
        const size_t open = static_cast<size_t>(m.position(0) + m.length(0)) - 1;
        calls.push_back({m[1].matched ? m[1].str() : m[2].str(), TableKeys(text, open)});
    }
    return calls;
}

std::vector<LuaObjectName> FindObjectNames(const std::string& code) {
    static const std::string kName = R"re((?:"([^"\\\n]{1,256})"|'([^'\\\n]{1,256})'))re";
    static const std::regex kUse(
        R"re(\b(vk\.obj\.(?:Set|Get|Attach|Detach|Delete)|Obj(?:Set|Get|Attach|Detach|Delete)))re"
        R"re(\s{0,32}\(\s{0,32})re" +
        kName + R"re(\s{0,32}[,)])re");
    static const std::regex kCreate(R"re(\b(?:vk\.obj\.Create|ObjCreate)\s{0,32}\(\s{0,32})re" + kName);
    static const std::regex kClone(R"re(\b(?:vk\.obj\.Clone|ObjClone)\s{0,32}\(\s{0,32})re" + kName +
                                   R"re(\s{0,32},\s{0,32})re" + kName);
    const std::string text = BlankComments(code);
    std::vector<LuaObjectName> out;
    auto literal = [](const std::smatch& m, int i) { return m[i].matched ? m[i].str() : m[i + 1].str(); };
    for (std::sregex_iterator it(text.begin(), text.end(), kUse), end; it != end; ++it)
        out.push_back({(*it)[1].str(), literal(*it, 2), LineAt(text, static_cast<size_t>(it->position(0)))});
    for (std::sregex_iterator it(text.begin(), text.end(), kCreate), end; it != end; ++it)
        out.push_back({"create", literal(*it, 1), LineAt(text, static_cast<size_t>(it->position(0)))});
    for (std::sregex_iterator it(text.begin(), text.end(), kClone), end; it != end; ++it)
        out.push_back({"create", literal(*it, 1) + literal(*it, 3),
                       LineAt(text, static_cast<size_t>(it->position(0)))});
    return out;
}

namespace {

// The decoder's reason from its log line ("... File NAME: REASON"), or the line itself.
std::string DecoderReason(const vK_LogCapture& log) {
    std::string line = log.Text().substr(0, log.Text().find('\n'));
    const size_t file = line.find(". File ");
    const size_t colon = file == std::string::npos ? std::string::npos : line.find(": ", file);
    if (colon != std::string::npos) return line.substr(colon + 2);
    if (line.rfind("Error: ", 0) == 0) line.erase(0, 7);
    return line.empty() ? "unknown error" : line;
}

}  // namespace

std::string PngProblem(const std::vector<uint8_t>& bytes, bool* damaged) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (bytes.size() < 33 || std::memcmp(bytes.data(), kSignature, 8) != 0 ||
        std::memcmp(&bytes[12], "IHDR", 4) != 0)
        return "not a PNG file, which the engine refuses";
    const int depth = bytes[24], colour = bytes[25];
    if (depth != 8 || colour != 6) {
        static const char* const kKinds[] = {"grey", "?", "RGB", "palette", "grey with alpha", "?", "RGBA"};
        const char* kind = colour <= 6 ? kKinds[colour] : "?";
        return "PNG is " + std::to_string(depth) + "-bit " + kind + "; the engine loads only 8-bit RGBA";
    }
    vK_LogCapture log;
    vK_Image image;
    if (DecodePng(bytes.data(), bytes.size(), image)) return {};
    if (damaged) *damaged = true;
    return "the PNG data does not decode: " + DecoderReason(log);
}

std::string JpegProblem(const std::vector<uint8_t>& bytes, bool* damaged) {
    if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        return "not a JPEG file, which the engine refuses";
    // Segments up to the frame header, which holds the number of components.
    size_t i = 2;
    while (i + 9 < bytes.size() && bytes[i] == 0xFF) {
        const int marker = bytes[i + 1];
        const size_t length = static_cast<size_t>(bytes[i + 2]) << 8 | bytes[i + 3];
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            const int components = bytes[i + 9];
            if (components != 3)
                return "JPEG has " + std::to_string(components) +
                       (components == 1 ? " component (grey)" : " components") +
                       "; the engine loads only 3-component JPEGs";
            break;
        }
        if (marker == 0xD9 || marker == 0xDA || length < 2) break;
        i += 2 + length;
    }
    vK_LogCapture log;
    vK_Image image;
    if (DecodeJpeg(bytes.data(), bytes.size(), image)) return {};
    if (damaged) *damaged = true;
    return "the JPEG data does not decode: " + DecoderReason(log);
}

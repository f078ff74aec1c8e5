#include "platform/input_recording.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "core/vrakko.h"
#include "files/os_services.h"
#include "files/path_overlap.h"
#include "platform/text_lines.h"
#include "platform/vrakko_impl.h"

namespace {

constexpr const char* kFormatLine = "vrakko-recording 1";
// Frames beyond this are refused, as are coordinates outside the window range.
constexpr long kMaxFrame = 1000000000L;
constexpr float kMaxCoordinate = 65535.0f;

struct Verb {
    const char* name;
    vK_InputEvent::Type type;
    // Arguments after the verb: 'k' the key, 'c' the code, 'p' the position.
    const char* args;
};

constexpr Verb kVerbs[] = {
    {"keydown", vK_InputEvent::kKeyDown, "k"},    {"char", vK_InputEvent::kChar, "c"},
    {"keyup", vK_InputEvent::kKeyUp, "k"},        {"down", vK_InputEvent::kPointerDown, "p"},
    {"up", vK_InputEvent::kPointerUp, "p"},       {"move", vK_InputEvent::kPointerMove, "p"},
    {"leave", vK_InputEvent::kPointerLeave, "p"}, {"wheel", vK_InputEvent::kWheel, "cp"},
    {"activate", vK_InputEvent::kActivated, ""},  {"deactivate", vK_InputEvent::kDeactivated, ""},
};

template <typename T>
bool Number(const std::string& text, T& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

bool Coordinate(const std::string& text, float& value) {
    return Number(text, value) && std::isfinite(value) && value >= -kMaxCoordinate && value <= kMaxCoordinate;
}

constexpr struct {
    const char* name;
    int action;
} kWindowVerbs[] = {{"altenter", Vrakko_Impl::kAltEnter}, {"close", Vrakko_Impl::kCloseWindow}};

// A save folder named by a recording: relative, without "..", so a recording from elsewhere
// can name nothing outside its own folder.
bool SafeRelativeFolder(const std::string& name) {
    if (name.empty() || name.size() > 1024 || name[0] == '/' || name.find('\\') != std::string::npos)
        return false;
    size_t start = 0;
    while (start <= name.size()) {
        const size_t slash = std::min(name.find('/', start), name.size());
        if (name.compare(start, slash - start, "..") == 0) return false;
        start = slash + 1;
    }
    return true;
}

std::string FormatCoordinate(float value) {
    char buffer[32];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return ec == std::errc() ? std::string(buffer, ptr) : std::string("0");
}

// The event part of one line (after the frame); false when it is not well formed.
bool ParseEvent(std::istringstream& in, const std::string& verb, vK_InputEvent& event) {
    for (const Verb& v : kVerbs) {
        if (verb != v.name) continue;
        event.type = v.type;
        if (v.type == vK_InputEvent::kPointerDown || v.type == vK_InputEvent::kPointerUp ||
            v.type == vK_InputEvent::kPointerMove)
            event.key = vK_InputEvent::kPointerKey;
        for (const char* a = v.args; *a; ++a) {
            std::string first, second;
            if (*a == 'p') {
                if (!(in >> first >> second) || !Coordinate(first, event.x) || !Coordinate(second, event.y))
                    return false;
            } else if (!(in >> first) || !Number(first, *a == 'k' ? event.key : event.code)) {
                return false;
            }
        }
        return true;
    }
    return false;
}

}  // namespace

std::string FormatRecordedEvent(long frame, const vK_InputEvent& event) {
    std::string line = std::to_string(frame);
    for (const Verb& v : kVerbs) {
        if (event.type != v.type) continue;
        line += ' ';
        line += v.name;
        for (const char* a = v.args; *a; ++a) {
            if (*a == 'p')
                line += ' ' + FormatCoordinate(event.x) + ' ' + FormatCoordinate(event.y);
            else
                line += ' ' + std::to_string(*a == 'k' ? event.key : event.code);
        }
        return line;
    }
    return line + " end";
}

std::string FormatRecordedWindowAction(long frame, int action) {
    for (const auto& v : kWindowVerbs)
        if (v.action == action) return std::to_string(frame) + " " + v.name;
    return std::to_string(frame) + " end";
}

bool ParseInputRecording(std::string_view text, vK_InputRecording& recording, std::string& error) {
    recording = vK_InputRecording();
    bool sawFormat = false, sawDisplay = false, sawEnd = false;
    int number = 0;
    auto fail = [&](const char* what) {
        error = "line " + std::to_string(number) + ": " + what;
        return false;
    };
    const bool read = ForEachContentLine(text, [&](const std::string& line, int lineNumber) {
        number = lineNumber;
        if (!sawFormat) {
            if (line != kFormatLine)
                return fail("not a vrakko recording (the first line must be \"vrakko-recording 1\")");
            sawFormat = true;
            return true;
        }
        if (sawEnd) return fail("text after the end line");
        std::istringstream in(line);
        std::string word, extra;
        in >> word;
        if (word == "seed") {
            std::string value;
            if (!(in >> value) || !Number(value, recording.seed) || in >> extra) return fail("bad seed line");
            return true;
        }
        if (word == "display") {
            std::string w, h, mode;
            if (!(in >> w >> h >> mode) || !Number(w, recording.width) || !Number(h, recording.height) ||
                recording.width <= 0 || recording.height <= 0 || recording.width > 65535 ||
                recording.height > 65535 || (mode != "windowed" && mode != "fullscreen") || in >> extra)
                return fail("bad display line");
            recording.fullscreen = mode == "fullscreen";
            sawDisplay = true;
            return true;
        }
        if (word == "save") {
            std::string rest;
            std::getline(in >> std::ws, rest);
            if (!SafeRelativeFolder(rest))
                return fail("bad save line (a folder relative to the recording's)");
            recording.saveFolder = rest;
            return true;
        }
        if (word == "clock") {
            std::string start, offset;
            // Offsets beyond a day are no time zone; the start stays inside what dates can show.
            if (!(in >> start >> offset) || !Number(start, recording.clockStart) ||
                !Number(offset, recording.clockOffset) || recording.clockStart < 0 ||
                recording.clockStart > 253402300799LL || recording.clockOffset < -86400 ||
                recording.clockOffset > 86400 || in >> extra)
                return fail("bad clock line");
            return true;
        }
        long frame = 0;
        if (!Number(word, frame) || frame < 0 || frame > kMaxFrame) return fail("expected a frame number");
        const long last = recording.events.empty() ? 0 : recording.events.back().frame;
        if (frame < last) return fail("the frame is earlier than the one before");
        std::string verb;
        if (!(in >> verb)) return fail("the event is missing");
        if (verb == "end") {
            if (in >> extra) return fail("bad end line");
            recording.endFrame = frame;
            sawEnd = true;
            return true;
        }
        vK_InputRecording::Entry entry;
        entry.frame = frame;
        for (const auto& v : kWindowVerbs)
            if (verb == v.name) entry.window = v.action;
        if (entry.window != 0) {
            if (in >> extra) return fail("malformed event");
            recording.events.push_back(entry);
            return true;
        }
        if (!ParseEvent(in, verb, entry.event) || in >> extra) return fail("malformed event");
        recording.events.push_back(entry);
        return true;
    });
    if (!read) return false;
    if (!sawFormat) {
        error = "empty file, not a vrakko recording";
        return false;
    }
    if (!sawDisplay) {
        error = "the display line is missing";
        return false;
    }
    if (!sawEnd) {
        // A file cut short, or the run crashed: "FRAME end" added by hand replays it.
        error = "the end line is missing (the file is cut short or its run did not end)";
        return false;
    }
    return true;
}

vK_InputRecorder::~vK_InputRecorder() {
    if (file_) std::fclose(file_);
}

bool vK_InputRecorder::Open(const std::string& path, unsigned seed, long long clockStart, long clockOffset) {
    if (file_) std::fclose(file_);
    file_ = OsOpenFile(path, "wb");
    seed_ = seed;
    clockStart_ = clockStart;
    clockOffset_ = clockOffset;
    headerWritten_ = false;
    return file_ != nullptr;
}

void vK_InputRecorder::WriteLine(const std::string& line) {
    if (!file_) return;
    std::fputs(line.c_str(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);
}

void vK_InputRecorder::WriteHeader() {
    if (headerWritten_) return;
    headerWritten_ = true;
    const Vrakko* engine = Vrakko::Instance();
    WriteLine(kFormatLine);
    WriteLine("# Written by vrakko --record; vrakko --replay plays it back. One event a line:");
    WriteLine("# FRAME (frames run before it) down|up|move|leave X Y, keydown|keyup KEY, char CODE,");
    WriteLine("# wheel CODE X Y, activate, deactivate, altenter, close; FRAME end closes the run.");
    WriteLine("seed " + std::to_string(seed_));
    WriteLine("clock " + std::to_string(clockStart_) + " " + std::to_string(clockOffset_));
    if (!saveFolder_.empty()) WriteLine("save " + saveFolder_);
    const int width = engine ? engine->GetWidth() : 0, height = engine ? engine->GetHeight() : 0;
    WriteLine("display " + std::to_string(width > 0 ? width : 1) + " " +
              std::to_string(height > 0 ? height : 1) +
              (engine && engine->IsFullscreen() ? " fullscreen" : " windowed"));
}

bool vK_InputRecorder::OnPreInput(const vK_InputEvent& event) {
    if (!file_) return true;
    WriteHeader();
    const Vrakko* engine = Vrakko::Instance();
    WriteLine(FormatRecordedEvent(engine ? engine->GetFrameCount() : 0, event));
    return true;
}

void vK_InputRecorder::OnWindowAction(int action) {
    if (!file_) return;
    WriteHeader();
    const Vrakko* engine = Vrakko::Instance();
    WriteLine(FormatRecordedWindowAction(engine ? engine->GetFrameCount() : 0, action));
}

void vK_InputRecorder::Finish() {
    if (!file_) return;
    WriteHeader();
    const Vrakko* engine = Vrakko::Instance();
    WriteLine(std::to_string(engine ? engine->GetFrameCount() : 0) + " end");
    std::fclose(file_);
    file_ = nullptr;
}

void vK_InputReplayer::BeforeFrame(Vrakko_Impl& platform) {
    const long frame = platform.GetEngine().GetFrameCount();
    while (next_ < recording_.events.size() && recording_.events[next_].frame <= frame) {
        const vK_InputRecording::Entry& entry = recording_.events[next_++];
        if (entry.window != 0)
            platform.FeedWindowAction(entry.window);
        else
            platform.FeedInput(entry.event);
    }
}

bool CopySaveFolder(const std::string& from, const std::string& to, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(from, ec)) {
        error = "there is no save folder " + from;
        return false;
    }
    if (PathsOverlap(from, to)) {
        error = "can not copy " + from + " into " + to + ": one folder is inside the other";
        return false;
    }
    fs::create_directories(to, ec);
    if (ec) {
        error = "can not create " + to + ": " + ec.message();
        return false;
    }
    fs::recursive_directory_iterator it(from, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::path relative = it->path().lexically_relative(from);
        const fs::path target = fs::path(to) / relative;
        std::error_code one;
        if (it->is_directory(one)) {
            fs::create_directories(target, one);
        } else if (it->is_regular_file(one) && relative != "logfile.txt" && relative != kSaveCopyMarker) {
            fs::copy_file(it->path(), target, fs::copy_options::overwrite_existing, one);
        }
        if (one) {
            error = "can not copy " + it->path().string() + ": " + one.message();
            return false;
        }
    }
    if (ec) error = "can not read " + from + ": " + ec.message();
    return !ec;
}

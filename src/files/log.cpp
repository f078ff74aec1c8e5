#include "files/log.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {
constinit vK_Seam<vK_LogSink> g_sink("log sink");
vK_LogCapture* g_capture = nullptr;
// Set while a line is being handed to the sink: a sink that logs its own failure
// would otherwise recurse without end.
bool g_in_sink = false;

std::string FormatV(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    std::vsnprintf(out.data(), out.size() + 1, format, args);
    return out;
}
}  // namespace

std::string FormatString(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string out = FormatV(format, args);
    va_end(args);
    return out;
}

void Log(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string line = FormatV(format, args);
    va_end(args);
    if (g_capture) {
        if (!g_capture->text_.empty()) g_capture->text_ += '\n';
        g_capture->text_ += line;
        ++g_capture->count_;
    }
    line += '\n';
    const vK_LogSink sink = g_sink.Get();
    if (sink && !g_in_sink) {
        g_in_sink = true;
        const bool stored = sink(line);
        g_in_sink = false;
        if (stored) return;
    }
    std::fwrite(line.data(), 1, line.size(), stderr);
}

vK_Seam<vK_LogSink>& LogSinkSeam() { return g_sink; }

vK_LogCapture::vK_LogCapture() : previous_(g_capture) { g_capture = this; }
vK_LogCapture::~vK_LogCapture() { g_capture = previous_; }

#pragma once
#include <cstdio>
#include <string>

#include "files/seam.h"

// The format checks of the printf the program links: MinGW's own C99 printf on Windows
// (gnu_printf: %zu, %lld), the C library's elsewhere.
#ifdef __MINGW_PRINTF_FORMAT
#define VK_PRINTF_FORMAT(index, first) __attribute__((format(__MINGW_PRINTF_FORMAT, index, first)))
#else
#define VK_PRINTF_FORMAT(index, first) __attribute__((format(printf, index, first)))
#endif

// Appends one formatted line to the log ("save/logfile.txt" once the file
// manager installs its sink). Lines that cannot be written go to stderr.
void Log(const char* format, ...) VK_PRINTF_FORMAT(1, 2);

// printf-style formatting into a std::string of whatever length is needed.
std::string FormatString(const char* format, ...) VK_PRINTF_FORMAT(1, 2);

// A sink receives each finished line (with its line feed) and returns false when it
// could not store it. The file manager installs one; without a sink lines go to stderr.
using vK_LogSink = bool (*)(const std::string& line);
vK_Seam<vK_LogSink>& LogSinkSeam();

// Tests capture log lines: while a capture is active every line is also appended
// to the capture buffer (without its line feed).
class vK_LogCapture {
public:
    vK_LogCapture();
    ~vK_LogCapture();
    vK_LogCapture(const vK_LogCapture&) = delete;
    vK_LogCapture& operator=(const vK_LogCapture&) = delete;
    const std::string& Text() const { return text_; }
    bool Contains(const std::string& fragment) const { return text_.find(fragment) != std::string::npos; }
    int Count() const { return count_; }
    void Clear() {
        text_.clear();
        count_ = 0;
    }

private:
    friend void Log(const char*, ...);
    std::string text_;
    int count_ = 0;
    vK_LogCapture* previous_;
};

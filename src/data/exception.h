#pragma once
#include <exception>
#include <string>

// The engine's one exception: raised by the required configuration lookup when an
// option the program cannot run without is missing. The entry point catches it,
// logs it and ends start-up cleanly; nothing else throws it.
class vK_Exception : public std::exception {
public:
    explicit vK_Exception(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const { return message_; }

private:
    std::string message_;
};

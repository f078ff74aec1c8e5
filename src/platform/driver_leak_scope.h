#pragma once

// Under LeakSanitizer, allocations made while one of these lives are not reported:
// Mesa's EGL keeps one-time driver state it never frees, which would fail every
// sanitized run that opens a GL context. Does nothing in other builds.
class vK_DriverLeakScope {
public:
    vK_DriverLeakScope();
    ~vK_DriverLeakScope();
    vK_DriverLeakScope(const vK_DriverLeakScope&) = delete;
    vK_DriverLeakScope& operator=(const vK_DriverLeakScope&) = delete;
};

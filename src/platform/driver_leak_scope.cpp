#include "platform/driver_leak_scope.h"

#if defined(__SANITIZE_ADDRESS__)
#define VRAKKO_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VRAKKO_LSAN 1
#endif
#endif

#ifdef VRAKKO_LSAN
#include <sanitizer/lsan_interface.h>
vK_DriverLeakScope::vK_DriverLeakScope() { __lsan_disable(); }
vK_DriverLeakScope::~vK_DriverLeakScope() { __lsan_enable(); }
#else
vK_DriverLeakScope::vK_DriverLeakScope() = default;
vK_DriverLeakScope::~vK_DriverLeakScope() = default;
#endif

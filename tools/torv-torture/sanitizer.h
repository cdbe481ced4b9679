// TORV_ASAN is 1 when AddressSanitizer owns the allocator (clang or gcc).
#pragma once

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TORV_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define TORV_ASAN 1
#endif

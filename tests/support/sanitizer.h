#pragma once
// Whether this build runs under AddressSanitizer, which poisons memory that
// must not be read and keeps freed memory in quarantine (so figures of the
// resident memory are its allocator's, not ours).

namespace vemba_test {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif
#else
inline constexpr bool kAddressSanitizer = false;
#endif

}  // namespace vemba_test

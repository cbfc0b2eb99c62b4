#pragma once

// True in a build under AddressSanitizer, where everything runs several times slower and freed
// memory is held back in quarantine: bounds on time and resident memory that a test sets for
// the tool as it ships are widened or left out there.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool UnderSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool UnderSanitizer = true;
#else
inline constexpr bool UnderSanitizer = false;
#endif
#else
inline constexpr bool UnderSanitizer = false;
#endif

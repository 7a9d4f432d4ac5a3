#pragma once
// Unicode helpers for user text: White_Space trimming, full lower-casing,
// counting and cutting by characters, lossy UTF-8 decoding.

#include <cstddef>
#include <string>
#include <string_view>

namespace vemba_core::project_io {

/// True for a code point in Unicode's White_Space set.
bool is_white_space(char32_t c);
/// The text without leading and trailing White_Space.
std::string_view trim_white(std::string_view text);
/// Full Unicode lower-case mapping (may change the length).
std::string to_lower(std::string_view text);
/// Number of characters (code points) in valid UTF-8.
std::size_t char_count(std::string_view text);
/// The first `n` characters of valid UTF-8.
std::string_view take_chars(std::string_view text, std::size_t n);
/// Decodes bytes as UTF-8, each invalid sequence replaced by U+FFFD.
std::string lossy_utf8(std::string_view bytes);
/// Appends one code point as UTF-8.
void append_utf8(std::string& out, char32_t c);

}  // namespace vemba_core::project_io

#pragma once
// Unicode helpers for user text: White_Space trimming, full lower-casing,
// counting and cutting by characters, lossy UTF-8 decoding.

#include <unicode/utf8.h>

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
/// Calls `visit(code point, its bytes)` for each code point of `text`; an
/// ill-formed sequence comes as U+FFFD with the bytes it spans.
template <class Visit>
void for_each_code_point(std::string_view text, Visit&& visit) {
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  const auto len = static_cast<int32_t>(text.size());
  int32_t i = 0;
  while (i < len) {
    const int32_t start = i;
    UChar32 c;
    U8_NEXT_OR_FFFD(s, i, len, c);
    visit(static_cast<char32_t>(c), text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
  }
}

/// Appends one code point as UTF-8.
void append_utf8(std::string& out, char32_t c);

}  // namespace vemba_core::project_io

#include "project_io/json/text.h"

#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace vemba_core::project_io {
namespace {

// Decodes the code point at `i` of valid UTF-8 and advances `i`.
char32_t next_code_point(std::string_view s, std::size_t& i) {
  UChar32 c;
  auto len = static_cast<int32_t>(s.size());
  auto pos = static_cast<int32_t>(i);
  U8_NEXT(reinterpret_cast<const uint8_t*>(s.data()), pos, len, c);
  i = static_cast<std::size_t>(pos);
  return c < 0 ? 0xFFFD : static_cast<char32_t>(c);
}

}  // namespace

bool is_white_space(char32_t c) { return u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_WHITE_SPACE); }

std::string_view trim_white(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t next = begin;
    if (!is_white_space(next_code_point(text, next))) break;
    begin = next;
  }
  std::size_t end = text.size();
  while (end > begin) {
    std::size_t start = end - 1;
    while (start > begin && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
    std::size_t probe = start;
    if (!is_white_space(next_code_point(text, probe))) break;
    end = start;
  }
  return text.substr(begin, end - begin);
}

std::string to_lower(std::string_view text) {
  bool ascii = true;
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  if (ascii) {
    std::string out(text);
    for (char& c : out)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
  }
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  u.toLower(icu::Locale::getRoot());
  std::string out;
  u.toUTF8String(out);
  return out;
}

std::size_t char_count(std::string_view text) {
  std::size_t n = 0;
  for (char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

std::string_view take_chars(std::string_view text, std::size_t n) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (seen == n) return text.substr(0, i);
      ++seen;
    }
  }
  return text;
}

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

std::string lossy_utf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for_each_code_point(bytes, [&](char32_t c, std::string_view seq) {
    // A well-formed U+FFFD in the input is kept as it is.
    if (c == 0xFFFD && seq != "\xEF\xBF\xBD")
      append_utf8(out, 0xFFFD);
    else
      out.append(seq);
  });
  return out;
}

}  // namespace vemba_core::project_io

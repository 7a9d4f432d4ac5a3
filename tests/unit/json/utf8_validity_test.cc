// is_valid_utf8 against ICU's decoder on every sequence of one to four bytes
// drawn from bytes at the edges of each class, at every place of the words of
// plain bytes that the validator skips eight at a time.

#include "project_io/json/json.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <unicode/utf8.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace vemba_core::project_io {
namespace {

// ASCII; the ends of the continuation ranges a lead narrows its second
// byte to; leads that are never valid, the ends of the two-byte leads, the
// three- and four-byte leads with narrowed second bytes and their
// neighbours, and bytes past every lead.
constexpr unsigned char kAlphabet[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF,
                                       0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE,
                                       0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xF8, 0xFE, 0xFF};

bool icu_valid(std::string_view bytes) {
  const auto* s = reinterpret_cast<const uint8_t*>(bytes.data());
  const auto n = static_cast<int32_t>(bytes.size());
  for (int32_t i = 0; i < n;) {
    UChar32 c;
    U8_NEXT(s, i, n, c);
    if (c < 0) return false;
  }
  return true;
}

std::string hex(std::string_view bytes) {
  std::string out;
  for (const char b : bytes) out += fmt::format("{:02X} ", static_cast<unsigned char>(b));
  return out;
}

TEST(Utf8, TheReferenceRejectsOverlongAndOutOfRangeForms) {
  EXPECT_TRUE(icu_valid("\xF4\x8F\xBF\xBF"));
  EXPECT_TRUE(icu_valid("\xEF\xBF\xBF"));
  for (const char* bad : {"\xC1\xBF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF", "\xED\xA0\x80", "\xF4\x90\x80\x80"})
    EXPECT_FALSE(icu_valid(bad)) << hex(bad);
}

// The validator skips plain bytes a word of this many at a time.
constexpr std::size_t kWord = 8;

TEST(Utf8, EveryShortSequenceAsIcuJudgesIt) {
  constexpr std::size_t kLetters = std::size(kAlphabet);
  // Plain bytes before the sequence put it at every place of a word; plain
  // bytes after it make the fast path read it, and then read on past it.
  constexpr std::string_view kPlain = "plain words";
  static_assert(kPlain.size() >= kWord);
  int mismatches = 0;
  for (std::size_t length = 1; length <= 4; ++length) {
    std::size_t count = 1;
    for (std::size_t k = 0; k < length; ++k) count *= kLetters;
    for (std::size_t code = 0; code < count; ++code) {
      std::string bytes;
      for (std::size_t k = 0, rest = code; k < length; ++k, rest /= kLetters)
        bytes += static_cast<char>(kAlphabet[rest % kLetters]);
      const bool expected = icu_valid(bytes);
      for (std::size_t before = 0; before <= kWord; ++before) {
        for (const std::size_t after : {std::size_t{0}, kPlain.size()}) {
          const std::string text = std::string(kPlain.substr(0, before)) + bytes + std::string(kPlain.substr(0, after));
          if (is_valid_utf8(text) == expected) continue;
          if (++mismatches <= 10)
            ADD_FAILURE() << before << " plain bytes, " << hex(bytes) << ", " << after
                          << " plain bytes: " << (expected ? "is valid" : "is not valid");
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace vemba_core::project_io

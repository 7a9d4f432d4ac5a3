#include "util/base64.h"

#include <gtest/gtest.h>

namespace vemba_util {
namespace {

TEST(Base64, DecodesCanonicalText) {
  struct Case {
    std::string_view text;
    std::string_view bytes;
  };
  const Case cases[] = {{"", ""},
                        {"QQ==", "A"},
                        {"QUI=", "AB"},
                        {"QUJD", "ABC"},
                        {"QUJDRA==", "ABCD"},
                        {"w6k=", "\xC3\xA9"},
                        {"AAD/", std::string_view("\0\0\xFF", 3)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto decoded = base64_decode(c.text);
    ASSERT_TRUE(decoded) << decoded.error();
    EXPECT_EQ(*decoded, c.bytes);
  }
}

// Which fault gives which text, including the ones that look alike.
TEST(Base64, NamesEachFault) {
  struct Case {
    const char* name;
    std::string_view text;
    const char* error;
  };
  const Case cases[] = {
      {"bad symbol", "QU*D", "Invalid symbol 42, offset 2."},
      {"url-safe alphabet", "-_==", "Invalid symbol 45, offset 0."},
      {"non-ASCII byte", "QUJ\xC3", "Invalid symbol 195, offset 3."},
      {"pad in a middle quad", "QQ==QQ==", "Invalid symbol 61, offset 2."},
      {"pad after a whole quad", "QUJD=", "Invalid symbol 61, offset 4."},
      {"too much padding", "QUJDRA===", "Invalid symbol 61, offset 6."},
      {"pad after one symbol", "Q===", "Invalid symbol 61, offset 1."},
      {"only padding", "====", "Invalid symbol 61, offset 0."},
      {"symbol after pad", "QQ=A", "Invalid symbol 61, offset 2."},
      {"trailing line feed", "QUJD\n", "Invalid symbol 10, offset 4."},
      {"trailing stray named before an earlier one", "Q@JD\n", "Invalid symbol 10, offset 4."},
      {"line break inside", "QUJD\nRA==", "Invalid symbol 10, offset 4."},
      {"space inside", "QUJD QUJD", "Invalid symbol 32, offset 4."},
      {"CRLF at the end", "QUJD\r\n", "Invalid symbol 13, offset 4."},
      {"one symbol", "Q", "Invalid input length: 1"},
      {"one symbol after quads", "QUJDR", "Invalid input length: 5"},
      {"two symbols unpadded", "QQ", "Invalid padding"},
      {"three symbols unpadded", "QUI", "Invalid padding"},
      {"short padding", "QQ=", "Invalid padding"},
      {"short padding after quads", "QUJDRA=", "Invalid padding"},
      {"trailing bits after one byte", "QR==", "Invalid last symbol 82, offset 1."},
      {"trailing bits after two bytes", "QUJ=", "Invalid last symbol 74, offset 2."},
      {"trailing bits after quads", "QUJDRB==", "Invalid last symbol 66, offset 5."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto decoded = base64_decode(c.text);
    ASSERT_FALSE(decoded);
    EXPECT_EQ(decoded.error(), c.error);
  }
}

TEST(Base64, RoundTripsEveryLength) {
  std::string bytes;
  for (int n = 0; n < 70; ++n) {
    SCOPED_TRACE(n);
    const std::string text = base64_encode(bytes);
    EXPECT_EQ(text.size() % 4, 0u);
    auto decoded = base64_decode(text);
    ASSERT_TRUE(decoded) << decoded.error();
    EXPECT_EQ(*decoded, bytes);
    bytes.push_back(static_cast<char>(n * 37 + 11));
  }
}

TEST(Base64, Padding) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"", ""}, {"abc", "YWJj"}, {"abcd", "YWJjZA=="}, {"abcde", "YWJjZGU="}, {"\xff\xfe\xfd", "//79"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(base64_encode(c.in), c.out);
  }
}

}  // namespace
}  // namespace vemba_util

#include "project_io/json/text.h"

#include <gtest/gtest.h>

namespace vemba_core::project_io {
namespace {

TEST(Text, TrimWhite) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {{"  a b  ", "a b"},
                        {"\t\n\r\v\f x", "x"},
                        {"\xC2\xA0\xE3\x80\x80word\xE2\x80\xA9", "word"},  // U+00A0, U+3000, U+2029
                        {"\xC2\x85x\xE1\x9A\x80", "x"},                    // U+0085, U+1680
                        {"\xE2\x80\x8B"
                         "x",
                         "\xE2\x80\x8B"
                         "x"},  // zero width space is not White_Space
                        {"   ", ""},
                        {"", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(trim_white(c.in), c.out);
  }
}

TEST(Text, LowerCaseIsTheFullMapping) {
  EXPECT_EQ(to_lower("MiXeD"), "mixed");
  EXPECT_EQ(to_lower("ÉTÉ"), "été");
  EXPECT_EQ(to_lower("\xC4\xB0"), "i\xCC\x87");  // U+0130 lower-cases to two code points
  EXPECT_EQ(to_lower("ΣΑΣ"), "σας");             // final sigma
}

TEST(Text, CharactersNotBytes) {
  EXPECT_EQ(char_count("a—é😀"), 4u);
  EXPECT_EQ(take_chars("a—é😀b", 3), "a—é");
  EXPECT_EQ(take_chars("ab", 5), "ab");
}

TEST(Text, LossyUtf8) {
  EXPECT_EQ(lossy_utf8("ok \xEF\xBF\xBD"), "ok \xEF\xBF\xBD");
  EXPECT_EQ(lossy_utf8("a\xFF"
                       "b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(lossy_utf8("\xE2\x80"), "\xEF\xBF\xBD");  // one maximal ill-formed part
  EXPECT_EQ(lossy_utf8("\xC3\xA9"), "é");
}

}  // namespace
}  // namespace vemba_core::project_io

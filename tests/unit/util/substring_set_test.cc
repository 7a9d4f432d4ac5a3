#include "util/substring_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace vemba_util {
namespace {

std::set<std::size_t> found_in(SubstringSet& set, std::string_view text) {
  std::set<std::size_t> found;
  set.scan(text, [&](std::size_t needle) { EXPECT_TRUE(found.insert(needle).second) << "reported twice: " << needle; });
  return found;
}

TEST(SubstringSet, ReportsEachContainedNeedleOnce) {
  const std::vector<std::string> needles = {"@ann", "@anna", "@annabel", "nna",
                                            "@bo",  "",      "@ann",     "@\xC3\xA9t\xC3\xA9"};
  SubstringSet set(needles);
  struct Case {
    const char* text;
    std::set<std::size_t> found;
  };
  const Case cases[] = {
      {"", {}},
      {"anna and bo", {3}},
      {"@annabel met @bo", {0, 1, 2, 3, 4}},
      {"@an @ann @ann", {0}},  // repeats count once
      {"x@annx", {0}},
      {"@@anna", {0, 1, 3}},
      {"@annab", {0, 1, 3}},
      {"un @\xC3\xA9t\xC3\xA9", {7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(found_in(set, c.text), c.found);
  }
}

// Overlapping needles over a two-letter alphabet exercise every failure
// and output link; a plain find is the reference.
TEST(SubstringSet, AgreesWithPlainSearch) {
  std::mt19937 random(12345);
  const auto word = [&](std::size_t max) {
    std::string w(1 + random() % max, 'a');
    for (char& c : w) c = "ab@"[random() % 3];
    return w;
  };
  for (int round = 0; round < 50; ++round) {
    std::vector<std::string> needles;
    for (int i = 0; i < 12; ++i) needles.push_back(word(5));
    SubstringSet set(needles);
    for (int t = 0; t < 20; ++t) {
      const std::string text = word(40);
      std::set<std::size_t> expected;
      for (std::size_t i = 0; i < needles.size(); ++i) {
        const auto first = std::find(needles.begin(), needles.end(), needles[i]) - needles.begin();
        if (text.find(needles[i]) != std::string::npos) expected.insert(static_cast<std::size_t>(first));
      }
      SCOPED_TRACE(text);
      EXPECT_EQ(found_in(set, text), expected);
    }
  }
}

}  // namespace
}  // namespace vemba_util

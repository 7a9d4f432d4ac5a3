#include "vemba_connector/tools/arguments.h"

#include "support/fixture.h"

#include <gtest/gtest.h>

namespace vemba_connector {
namespace {

using vemba_core::project_io::parse_json;
using vemba_core::project_io::to_compact;

json::value args(std::string_view text) { return vemba_test::doc(text); }

std::string joined(const std::vector<std::string_view>& texts) {
  std::string out;
  for (std::string_view t : texts) out += std::string(t) + "|";
  return out;
}

TEST(Arguments, TextsTakeOnlyStrings) {
  const json::value a = args(R"({"s":"x","empty":"","n":5,"null":null})");
  const Arguments r(a);
  EXPECT_EQ(r.text("s"), "x");
  EXPECT_EQ(r.text("n"), "");
  EXPECT_EQ(r.text_or("empty", "d"), "");
  EXPECT_EQ(r.text_or("null", "d"), "d");
  EXPECT_EQ(r.text_or("missing", "d"), "d");
  EXPECT_EQ(r.opt_text("empty"), std::optional<std::string_view>(""));
  EXPECT_EQ(r.opt_text("n"), std::nullopt);
}

TEST(Arguments, NumbersAndIntegers) {
  struct Case {
    const char* value;
    std::optional<double> number;
    std::int64_t integer;
    std::optional<std::uint64_t> whole;  // opt_unsigned
  };
  const Case cases[] = {{"3", 3, 3, 3},
                        {"0", 0, 0, 0},
                        {"-2", -2, -2, std::nullopt},
                        {"3.0", 3, 0, std::nullopt},
                        {"2.5", 2.5, 0, std::nullopt},
                        {"1e2", 100, 0, std::nullopt},
                        {"9223372036854775807", 9223372036854775807.0, INT64_MAX, INT64_MAX},
                        {"9223372036854775808", 9223372036854775808.0, 0, 9223372036854775808ULL},
                        {"18446744073709551615", 18446744073709551615.0, 0, UINT64_MAX},
                        {R"("3")", std::nullopt, 0, std::nullopt},
                        {"true", std::nullopt, 0, std::nullopt},
                        {"null", std::nullopt, 0, std::nullopt}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    const json::value a = args(std::string(R"({"v":)") + c.value + "}");
    const Arguments r(a);
    EXPECT_EQ(r.opt_number("v"), c.number);
    EXPECT_EQ(r.number_or("v", 40), c.number.value_or(40));
    EXPECT_EQ(r.integer("v"), c.integer);
    EXPECT_EQ(r.opt_unsigned("v"), c.whole);
  }
}

TEST(Arguments, FlagsAreOnOrOffOnlyForJsonBooleans) {
  struct Case {
    const char* value;
    bool flag;
    bool keep;
  };
  const Case cases[] = {{"true", true, true}, {"false", false, false}, {R"("false")", false, true},
                        {"1", false, true},   {"0", false, true},      {"null", false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    const json::value a = args(std::string(R"({"v":)") + c.value + "}");
    EXPECT_EQ(Arguments(a).flag("v"), c.flag);
    EXPECT_EQ(Arguments(a).on_unless_false("v"), c.keep);
  }
  const json::value none = args("{}");
  EXPECT_FALSE(Arguments(none).flag("v"));
  EXPECT_TRUE(Arguments(none).on_unless_false("v"));
}

TEST(Arguments, ObjectsAndValuesPassAnyPresentValueUnchanged) {
  const json::value a = args(R"({"patch":"text","nullPatch":null,"plan":[1]})");
  const Arguments r(a);
  EXPECT_EQ(to_compact(r.object("patch")), R"("text")");
  EXPECT_EQ(to_compact(r.object("nullPatch")), "null");
  EXPECT_EQ(to_compact(r.object("missing")), "{}");
  EXPECT_EQ(to_compact(r.value_or_null("plan")), "[1]");
  EXPECT_EQ(to_compact(r.value_or_null("missing")), "null");
  EXPECT_TRUE(r.has("nullPatch"));
  EXPECT_FALSE(r.has("missing"));
}

TEST(Arguments, ListsKeepTheStringElementsInOrder) {
  const json::value a = args(R"({"ids":["n1",5,"n2",null,"n1"],"none":[],"text":"n1"})");
  const Arguments r(a);
  EXPECT_EQ(joined(r.texts("ids")), "n1|n2|n1|");
  EXPECT_EQ(joined(r.texts("text")), "");
  EXPECT_EQ(r.opt_texts("text"), std::nullopt);
  EXPECT_EQ(r.opt_texts("missing"), std::nullopt);
  ASSERT_TRUE(r.opt_texts("none"));
  EXPECT_TRUE(r.opt_texts("none")->empty());
  ASSERT_TRUE(r.array("ids"));
  EXPECT_EQ(r.array("ids")->size(), 5u);
  EXPECT_EQ(r.array("text"), nullptr);
  EXPECT_EQ(r.array("missing"), nullptr);
}

TEST(Arguments, AnythingButAnObjectHasNoMembers) {
  for (const char* text : {"null", "[1,2]", R"("x")", "7"}) {
    SCOPED_TRACE(text);
    const json::value a = args(text);
    const Arguments r(a);
    EXPECT_EQ(r.text_or("x", "d"), "d");
    EXPECT_EQ(r.number_or("x", 24), 24);
    EXPECT_TRUE(r.on_unless_false("x"));
    EXPECT_FALSE(r.has("x"));
    EXPECT_EQ(to_compact(r.object("x")), "{}");
  }
}

}  // namespace
}  // namespace vemba_connector

#include "project_io/json/json.h"

#include "support/fixture.h"
#include "support/shortcuts.h"

#include <fmt/format.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace vemba_core::project_io {
namespace {

using vemba_test::float_text;

std::string nested(int depth) { return std::string(depth, '[') + std::string(depth, ']'); }

TEST(ParseJson, AcceptsAndRefuses) {
  struct Case {
    const char* name;
    std::string text;
    bool ok;
  };
  const Case cases[] = {
      {"depth 127", nested(127), true},
      {"depth 128", nested(128), false},
      {"white space around", " \t\r\n{\"a\":1} \n", true},
      {"trailing value", "{} {}", false},
      {"trailing garbage", "[1]x", false},
      {"comment", "[1 /* c */]", false},
      {"trailing comma", "[1,]", false},
      {"raw control char", "\"a\tb\"", false},
      {"unpaired high surrogate", R"("\ud800")", false},
      {"unpaired low surrogate", R"("\udc00x")", false},
      {"surrogate pair", R"("\ud83d\ude00")", true},
      {"number beyond range", "1e400", false},
      {"negative beyond range", "-1e400", false},
      {"underflow reads as zero", "1e-400", true},
      {"empty", "", false},
      {"no-break space around", "\xC2\xA0{}", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(parse_json(c.text).has_value(), c.ok);
  }
}

TEST(ParseJson, ErrorNamesPosition) {
  auto r = parse_json("{\n  \"a\": ]\n}");
  ASSERT_FALSE(r);
  EXPECT_NE(r.error().find("line 2 column 8"), std::string::npos) << r.error();
}

TEST(ParseJson, NumberKinds) {
  auto v = parse_json(R"([1, -3, 18446744073709551615, 18446744073709551616, -9223372036854775808,
                          -9223372036854775809, 1.0, 1e2, -0, 0])");
  ASSERT_TRUE(v);
  const json::array& a = v->as_array();
  EXPECT_TRUE(a[0].is_int64());
  EXPECT_TRUE(a[1].is_int64());
  EXPECT_TRUE(a[2].is_uint64());
  EXPECT_TRUE(a[3].is_double());
  EXPECT_TRUE(a[4].is_int64());
  EXPECT_TRUE(a[5].is_double());
  EXPECT_TRUE(a[6].is_double());
  EXPECT_TRUE(a[7].is_double());
  EXPECT_TRUE(a[8].is_int64());  // "-0" fits the signed range
  EXPECT_TRUE(a[9].is_int64());
}

TEST(ParseJson, NumbersAreExact) {
  // Values whose last digit a sloppy conversion gets wrong.
  for (const char* text : {"1588.8355434374535", "0.1", "2.2250738585072014e-308", "4.9e-324", "1.7976931348623157e308",
                           "9007199254740993.0", "123456.789e-3"}) {
    SCOPED_TRACE(text);
    auto v = parse_json(text);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->get_double(), std::strtod(text, nullptr));
  }
}

// An underflow reads as the nearest double, as strtod rounds it: zero of the
// number's sign or a subnormal. Only an overflow to infinity is no number.
TEST(ParseJson, AnUnderflowReadsAsTheNearestValueAndAnOverflowIsRefused) {
  struct Case {
    std::string text;
    double value;
    const char* out;  // the writer's text, or the error
  };
  const std::string tiny = "0." + std::string(799, '0') + "1";
  const Case cases[] = {
      {"2e-324", 0.0, "0.0"},
      {"1e-400", 0.0, "0.0"},
      {"-1e-400", -0.0, "-0.0"},
      {tiny, 0.0, "0.0"},
      {"-" + tiny, -0.0, "-0.0"},
      // Either side of half the least subnormal.
      {"2.4703282292062327e-324", 0.0, "0.0"},
      {"2.4703282292062328e-324", 5e-324, "5e-324"},
      {"-3e-324", -5e-324, "-5e-324"},
      {"1e400", 0, "exponent overflow at line 1 column 6"},
      {"-1e400", 0, "exponent overflow at line 1 column 7"},
      // An exponent past the int range, which Boost refuses even where the value is zero.
      {"1e-99999999999", 0.0, "0.0"},
      {"-2.5E-00000000000000000000000000012345678901", -0.0, "-0.0"},
      {"0e99999999999", 0.0, "0.0"},
      {"-0.000e+99999999999", -0.0, "-0.0"},
      {"1e99999999999", 0, "exponent overflow at line 1 column 12"},
      {"-1e+99999999999", 0, "exponent overflow at line 1 column 14"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 50));
    auto v = parse_json(c.text);
    if (!v) {
      EXPECT_EQ(v.error(), c.out);
      continue;
    }
    EXPECT_EQ(to_compact(*v), c.out);
    EXPECT_EQ(v->get_double(), c.value);
    EXPECT_EQ(std::signbit(v->get_double()), std::signbit(c.value));
  }
  // Inside a document, beside texts that look like numbers, and nowhere else.
  auto doc = parse_json(R"({"a":"1e-99999999999","b":[1e-99999999999,2],"c\"e-":0E99999999999})");
  ASSERT_TRUE(doc) << doc.error();
  EXPECT_EQ(to_compact(*doc), R"({"a":"1e-99999999999","b":[0.0,2],"c\"e-":0.0})");
  // Malformed number tokens stay malformed.
  for (const char* bad :
       {"[1e-99999999999, 1e400]", "[1e-9999999999999999999991e400]", "[00e-99999999999]", "[1.e-99999999999]",
        "[1.5.5e-99999999999]", "[-e-99999999999]", "[1e-99999999999-]", "[true1e-99999999999]", "[1e--99999999999]"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(parse_json(bad));
  }
}

TEST(ParseJson, LastDuplicateKeyWins) {
  auto v = parse_json(R"({"id":1,"x":2,"id":3})");
  ASSERT_TRUE(v);
  EXPECT_EQ(to_compact(*v), R"({"id":3,"x":2})");
}

TEST(Writer, FloatForms) {
  struct Case {
    double x;
    const char* text;
  };
  const Case cases[] = {
      {120.0, "120.0"},
      {0.5, "0.5"},
      {100000.0, "100000.0"},
      {0.0001, "0.0001"},
      {1e-5, "0.00001"},
      {9.9e-6, "9.9e-6"},
      {1e16, "1e16"},
      {9999999999999998.0, "9999999999999998.0"},
      {1.5e-7, "1.5e-7"},
      {1e300, "1e300"},
      {-2.5e20, "-2.5e20"},
      {0.0, "0.0"},
      {-0.0, "-0.0"},
      {-40.0, "-40.0"},
      {1588.8355434374535, "1588.8355434374535"},
      {std::numeric_limits<double>::infinity(), "null"},
      {std::nan(""), "null"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(float_text(c.x), c.text);
    EXPECT_EQ(to_compact(json::value(c.x)), c.text);
  }
}

TEST(Writer, FloatsReadBackExactly) {
  double x = 1.0;
  for (int i = 0; i < 2000; ++i) {
    x = x * 1.37 + 0.1234567;
    if (x > 1e300) x = 1e-300;
    auto back = parse_json(float_text(x));
    ASSERT_TRUE(back);
    ASSERT_EQ(back->get_double(), x) << float_text(x);
  }
}

// Shortest round-trip digits in positional notation: a large whole value is
// its shortest digits padded with zeros, not its exact binary expansion.
TEST(Writer, PlainNumbers) {
  struct Case {
    double x;
    std::string text;
  };
  const Case cases[] = {
      {480.0, "480"},
      {512.5, "512.5"},
      {-40.0, "-40"},
      {0.1, "0.1"},
      {0.0, "0"},
      {-0.0, "-0"},
      {-0.001, "-0.001"},
      {1.5e-7, "0.00000015"},
      {123456.789, "123456.789"},
      {9007199254740993.0, "9007199254740992"},
      {1e16, "10000000000000000"},
      {1e17, "100000000000000000"},
      {123456789012345678.0, "123456789012345680"},
      {1e18, "1000000000000000000"},
      {1e20, "100000000000000000000"},
      {1e21, "1000000000000000000000"},
      {1e22, "10000000000000000000000"},
      {1e23, "100000000000000000000000"},
      {-1e23, "-100000000000000000000000"},
      {1152921504606846976.0, "1152921504606847000"},  // 2^60
      {1e301, "1" + std::string(301, '0')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(plain_number(c.x), c.text);
    EXPECT_EQ(std::strtod(plain_number(c.x).c_str(), nullptr), c.x);
  }
}

TEST(Fixture, ABadFixtureFailsTheTest) {
  EXPECT_NONFATAL_FAILURE(EXPECT_TRUE(vemba_test::doc(R"({"a":1,})").is_null()), "bad fixture");
  EXPECT_EQ(to_compact(vemba_test::doc(R"({"a":1})")), R"({"a":1})");
}

// One walk finds what a lookup per key finds: present, missing, of any kind,
// keys that share a length or a prefix, the empty key, and no object at all.
TEST(Fields, FindWhatMemberFinds) {
  constexpr auto kKeys = std::to_array<std::string_view>({"id", "x", "type", "body", "", "ty"});
  for (const char* text : {R"({"type":"note","body":null,"id":7,"x":1.5,"":"e","typ":1})", R"({"y":1})", "{}", "[1,2]",
                           R"("text")", "null"}) {
    SCOPED_TRACE(text);
    const json::value record = *parse_json(text);
    const Fields f(record, kKeys);
    for (std::size_t i = 0; i < kKeys.size(); ++i) EXPECT_EQ(f[i], member(record, kKeys[i])) << kKeys[i];
  }
}

TEST(Writer, IntegersAndEscapes) {
  json::value v = json::object{{"b", json::array{1, -3, std::uint64_t{18446744073709551615ull}, true, nullptr}},
                               {"a", "q\"\\/\b\t\n\f\r\x01\x1f\x7f é—"}};
  EXPECT_EQ(to_compact(v),
            "{\"a\":\"q\\\"\\\\/\\b\\t\\n\\f\\r\\u0001\\u001f\x7f é—\",\"b\":[1,-3,18446744073709551615,true,null]}");
}

// Plain bytes are skipped eight at a time: every byte value, at every place
// in and around such a stretch, must still be escaped exactly when it must.
TEST(Writer, EscapesEveryByteAtEveryOffset) {
  const auto escaped = [](unsigned char c) -> std::string {
    switch (c) {
      case '"':
        return "\\\"";
      case '\\':
        return "\\\\";
      case '\b':
        return "\\b";
      case '\t':
        return "\\t";
      case '\n':
        return "\\n";
      case '\f':
        return "\\f";
      case '\r':
        return "\\r";
      default:
        return c < 0x20 ? fmt::format("\\u{:04x}", c) : std::string(1, static_cast<char>(c));
    }
  };
  for (int c = 0; c < 256; ++c)
    for (std::size_t at = 0; at < 18; ++at) {
      std::string text(19, 'a');
      text[at] = static_cast<char>(c);
      text[18] = static_cast<char>(255 - c);
      std::string expected = "\"";
      expected.append(at, 'a').append(escaped(static_cast<unsigned char>(c)));
      expected.append(17 - at, 'a').append(escaped(static_cast<unsigned char>(255 - c))).push_back('"');
      // The raw bytes need not be UTF-8 for the writer.
      if (to_compact(json::string(text)) != expected) {
        ADD_FAILURE() << "byte " << c << " at " << at;
        return;
      }
    }
}

TEST(Writer, PrettyWithinALimitOfNesting) {
  const auto deep = [](int levels, bool objects) {
    json::value v = 1;
    for (int i = 0; i < levels; ++i) v = objects ? json::value(json::object{{"k", v}}) : json::value(json::array{v});
    return v;
  };
  struct Case {
    const char* name;
    json::value value;
    std::size_t levels;
    bool ok;
  };
  const Case cases[] = {
      {"a scalar nests 0 levels", 5, 0, true},
      {"an empty array nests 1", json::array(), 0, false},
      {"arrays at the limit", deep(127, false), 127, true},
      {"arrays past it", deep(128, false), 127, false},
      {"objects past it", deep(4, true), 3, false},
      // The deep member sorts after members already written.
      {"past it in a later member", json::object{{"a", 1}, {"b", json::array{2}}, {"z", deep(3, true)}}, 3, false},
      {"sorted siblings at the limit", json::object{{"b", deep(2, false)}, {"a", deep(2, true)}}, 3, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<std::string> text = to_pretty_document(c.value, c.levels);
    ASSERT_EQ(text.has_value(), c.ok);
    if (text) {
      EXPECT_EQ(*text, to_pretty(c.value));
    }
  }
}

TEST(Writer, KeysSortedByBytesAtEveryDepth) {
  auto v = parse_json(R"({"view":{"zoom":1,"panY":0,"panX":0},"videoEmbeds":[{"b":1,"B":2,"é":3,"a":4}],"Z":0})");
  ASSERT_TRUE(v);
  EXPECT_EQ(to_compact(*v), R"({"Z":0,"videoEmbeds":[{"B":2,"a":4,"b":1,"é":3}],"view":{"panX":0,"panY":0,"zoom":1}})");
}

TEST(Writer, PrettyForm) {
  auto v = parse_json(R"({"b":[],"a":{"y":[1,{}],"x":"t"}})");
  ASSERT_TRUE(v);
  EXPECT_EQ(to_pretty(*v),
            "{\n  \"a\": {\n    \"x\": \"t\",\n    \"y\": [\n      1,\n      {}\n    ]\n  },\n  \"b\": []\n}");
  EXPECT_EQ(to_pretty(json::array()), "[]");
}

TEST(Utf8, Validity) {
  struct Case {
    std::string bytes;
    bool ok;
  };
  const Case cases[] = {{"plain ascii text, long enough for the fast path", true},
                        {"caf\xC3\xA9", true},
                        {"\xE2\x80\x94", true},
                        {"\xF0\x9F\x98\x80", true},
                        {"\xC3", false},
                        {"\xC0\xAF", false},
                        {"\xED\xA0\x80", false},
                        {"\xF4\x90\x80\x80", false},
                        {"abcdefgh\xFF", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(is_valid_utf8(c.bytes), c.ok);
  }
}

TEST(LenientReaders, MissingAndMistyped) {
  auto v = parse_json(R"({"s":"t","n":2,"f":2.5,"b":true,"o":-4,"big":18446744073709551615,"id":7})");
  ASSERT_TRUE(v);
  EXPECT_EQ(text_of(*v, "s"), "t");
  EXPECT_EQ(text_of(*v, "n"), "");
  EXPECT_EQ(opt_text_of(*v, "missing"), std::nullopt);
  EXPECT_TRUE(flag_of(*v, "b"));
  EXPECT_FALSE(flag_of(*v, "n"));
  EXPECT_EQ(number_of(*v, "f"), 2.5);
  EXPECT_EQ(number_of(*v, "n"), 2.0);
  EXPECT_EQ(number_or(*v, "s", 9), 9.0);
  EXPECT_EQ(as_integer(*member(*v, "o")), -4);
  EXPECT_EQ(as_integer(*member(*v, "f")), std::nullopt);
  EXPECT_EQ(as_integer(*member(*v, "big")), std::nullopt);
  EXPECT_EQ(id_of(*v), std::nullopt);
  EXPECT_EQ(text_of(json::array{1}, "s"), "");
}

}  // namespace
}  // namespace vemba_core::project_io

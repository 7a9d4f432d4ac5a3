#include "project_io/queries/queries.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

namespace vemba_core::project_io {
namespace {

std::string repeat(std::string_view s, std::size_t n) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) out += s;
  return out;
}

// "x" characters with "rain" starting at character `at`, `n` characters in all.
std::string text_with_match(std::size_t at, std::size_t n) {
  return repeat("x", at) + "rain" + repeat("y", n - at - 4);
}

TEST(SnippetAround, Windows) {
  struct Case {
    const char* name;
    std::string text;
    std::string snippet;
  };
  const std::string t200 = text_with_match(10, 200), t150 = text_with_match(100, 150);
  const std::string t40 = text_with_match(40, 200), t41 = text_with_match(41, 200), exact = text_with_match(30, 110);
  const std::string accents = repeat("é", 45) + "rain" + repeat("ü", 100);
  const std::string dotted = repeat("\u0130", 50) + "rain";  // lower case İ is two characters
  const Case cases[] = {
      {"match near the start", t200, t200.substr(0, 90) + "…"},
      {"match near the end", t150, "…" + t150.substr(60)},
      {"40 characters before", t40, t40.substr(0, 120) + "…"},
      {"41 characters before", t41, "…" + t41.substr(1, 120) + "…"},
      {"text ends at the window", exact, exact},
      {"no match", "abc", "abc"},
      {"counted in characters", accents, "…" + repeat("é", 40) + "rain" + repeat("ü", 76) + "…"},
      {"place capped to the stored text", dotted, "…" + repeat("\u0130", 36) + "rain"},
      {"line feeds", "Line one\nline two\r\tend", "Line one line two\r\tend"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(snippet_around(c.text, "rain"), c.snippet);
  }
  EXPECT_EQ(snippet_around("Un ÉTÉ chaud", "été"), "Un ÉTÉ chaud");
}

TEST(SearchProject, Hits) {
  const json::value doc = *parse_json(R"({
    "nodes": [
      {"id": "n1", "type": "vemba", "title": "RAIN ON GLASS", "body": "rain again"},
      {"id": "n2", "title": "Dry", "body": "a\nrain", "slug": "EXT. RAIN"},
      {"id": 3, "type": "note", "tones": ["warm", 5, "dusk", "Rain"]},
      {"id": "n4", "type": 7, "title": 8, "shotType": "rain wide"},
      {"id": "n5", "title": "nothing here", "product": ""},
      "rain"
    ],
    "groups": [{"id": "g1", "name": "Rain act"}, {"name": "Dry act"}, {"id": 2, "name": "rainy"}]
  })");
  EXPECT_EQ(to_compact(search_project(doc, "  Rain ")),
            R"([{"id":"n1","snippet":"RAIN ON GLASS","title":"RAIN ON GLASS","type":"vemba"},)"
            R"({"id":"n2","snippet":"a rain","title":"Dry","type":"vemba"},)"
            R"({"id":"","snippet":"warm dusk Rain","title":"","type":"note"},)"
            R"({"id":"n4","snippet":"rain wide","title":"","type":"vemba"},)"
            R"({"id":"g1","snippet":"Rain act","title":"Rain act","type":"group"},)"
            R"({"id":"","snippet":"rainy","title":"rainy","type":"group"}])");
  EXPECT_EQ(to_compact(search_project(doc, "")), "[]");
  EXPECT_EQ(to_compact(search_project(doc, " \u3000\n")), "[]");
  EXPECT_EQ(to_compact(search_project(doc, "warm  dusk")), "[]");
  EXPECT_EQ(to_compact(search_project(*parse_json(R"({"nodes":{},"groups":7})"), "rain")), "[]");
}

TEST(SearchProject, TonesAreTheirTextElementsJoinedByOneSpace) {
  struct Case {
    const char* tones;
    const char* snippet;  // null: no hit
  };
  const Case cases[] = {
      {R"(["warm", 5, "dusk"])", "warm dusk"},
      {R"(["", "dusk"])", " dusk"},
      {R"(["warm", "", null, "dusk"])", "warm  dusk"},
      {R"(["", "", "dusk"])", "  dusk"},
      {R"("dusk")", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tones);
    const json::value doc =
        json::object{{"nodes", json::array{json::object{{"id", "n1"}, {"tones", *parse_json(c.tones)}}}}};
    const json::array hits = search_project(doc, "dusk");
    if (!c.snippet) {
      EXPECT_TRUE(hits.empty());
      continue;
    }
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(text_of(hits[0], "snippet"), c.snippet);
  }
}

TEST(SearchProject, AtMostFortyHits) {
  for (std::size_t cards : {39, 40, 50}) {
    SCOPED_TRACE(cards);
    json::array nodes;
    for (std::size_t i = 0; i < cards; ++i)
      nodes.push_back(json::object{{"id", fmt::format("n{}", i)}, {"title", "Storm"}});
    const json::value doc = json::object{{"nodes", std::move(nodes)},
                                         {"groups", json::array{json::object{{"id", "g1"}, {"name", "storm"}},
                                                                json::object{{"id", "g2"}, {"name", "STORM"}}}}};
    const json::array hits = search_project(doc, "storm");
    ASSERT_EQ(hits.size(), 40u);
    EXPECT_EQ(text_of(hits[0], "id"), "n0");
    EXPECT_EQ(text_of(hits[39], "id"), cards == 39 ? "g1" : "n39");
  }
}

}  // namespace
}  // namespace vemba_core::project_io

#include "project_io/queries/queries.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

namespace vemba_core::project_io {
namespace {

// "id=label" for every node id that has a label, in node order, each id once.
std::string labels_of(const json::value& doc) {
  const StoryNumbers labels = vemba_numbers(doc);
  std::string out;
  std::size_t shown = 0;
  StoryNumbers seen;
  if (const json::array* nodes = array_of(doc, "nodes"))
    for (const json::value& node : *nodes) {
      const std::optional<std::string_view> id = id_of(node);
      if (!id || seen.contains(*id)) continue;
      seen.emplace(*id, "");
      if (auto it = labels.find(*id); it != labels.end()) {
        out += fmt::format("{}{}={}", out.empty() ? "" : " ", *id, it->second);
        ++shown;
      }
    }
  EXPECT_EQ(shown, labels.size()) << "a label for an id no node has";
  return out;
}

std::string labels_of(const char* doc) { return labels_of(*parse_json(doc)); }

TEST(VembaNumbers, SmallBoards) {
  struct Case {
    const char* name;
    const char* doc;
    const char* labels;
  };
  const Case cases[] = {
      {"no story cards", R"({"nodes":[{"id":"a","type":"note"},{"id":"b","type":"prop"},{"id":"c","type":""}]})", ""},
      {"empty document", R"({})", ""},
      {"main line",
       R"({"nodes":[{"id":"c","x":700},{"id":"a","x":100},{"id":"b","x":400}],
           "edges":[{"from":"a","to":"b","type":"continues"},{"from":"b","to":"c","type":"continues"}]})",
       "c=3 a=1 b=2"},
      {"no edges", R"({"nodes":[{"id":"a","x":100},{"id":"b","x":400},{"id":"c","x":700}]})", "a=1 b=B·1 c=C·1"},
      {"reference edges do not join, other types do",
       R"({"nodes":[{"id":"a","x":100},{"id":"b","x":400},{"id":"c","x":700},{"id":"d","x":900}],
           "edges":[{"from":"a","to":"b","type":"reference"},{"from":"b","to":"c","type":"alternative"},
                    {"from":"c","to":"d"}]})",
       "a=1 b=B·1 c=B·2 d=B·3"},
      {"a type that is not a text still carries order",
       R"({"nodes":[{"id":"a","x":0},{"id":"b","x":10}],"edges":[{"from":"a","to":"b","type":7}]})", "a=1 b=2"},
      {"card types",
       R"({"nodes":[{"id":"a","type":"vemba","x":0},{"id":"b","type":5,"x":1},{"id":"c","type":"Vemba","x":2},{"id":"d","x":"3"}]})",
       "a=1 b=C·1 d=B·1"},
      {"an edge through a note joins nothing",
       R"({"nodes":[{"id":"a","x":100},{"id":"n","type":"note","x":200},{"id":"b","x":300}],
           "edges":[{"from":"a","to":"n"},{"from":"n","to":"b"}]})",
       "a=1 b=B·1"},
      {"an alternate card is skipped and the next card is a root",
       R"({"nodes":[{"id":"alt","x":100,"alt":true},{"id":"b","x":400},{"id":"c","x":700}],
           "edges":[{"from":"alt","to":"b"},{"from":"b","to":"c"}]})",
       "b=1 c=2"},
      {"a loop starts at its leftmost card",
       R"({"nodes":[{"id":"a","x":300},{"id":"b","x":100},{"id":"c","x":200}],
           "edges":[{"from":"a","to":"b"},{"from":"b","to":"c"},{"from":"c","to":"a"}]})",
       "a=3 b=1 c=2"},
      {"a self edge", R"({"nodes":[{"id":"a"}],"edges":[{"from":"a","to":"a"}]})", "a=1"},
      {"a fork follows the leftmost branch",
       R"({"nodes":[{"id":"a","x":100},{"id":"b","x":500},{"id":"c","x":300}],
           "edges":[{"from":"a","to":"b"},{"from":"a","to":"c"}]})",
       "a=1 b=B·1 c=2"},
      {"the main line reaches the other branch later",
       R"({"nodes":[{"id":"a","x":100},{"id":"b","x":500},{"id":"c","x":300}],
           "edges":[{"from":"a","to":"b"},{"from":"a","to":"c"},{"from":"c","to":"b"}]})",
       "a=1 b=3 c=2"},
      {"equal x at a fork: the earlier edge wins",
       R"({"nodes":[{"id":"a"},{"id":"b","x":5},{"id":"c","x":5}],
           "edges":[{"from":"a","to":"c"},{"from":"a","to":"b"}]})",
       "a=1 b=B·1 c=2"},
      {"roots with equal x: the earlier card begins the main line",
       R"({"nodes":[{"id":"b","x":100},{"id":"a","x":100}]})", "b=1 a=B·1"},
      {"duplicate edges number as one",
       R"({"nodes":[{"id":"a","x":0},{"id":"b","x":1},{"id":"c","x":2}],
           "edges":[{"from":"a","to":"b"},{"from":"a","to":"b"},{"from":"b","to":"c"}]})",
       "a=1 b=2 c=3"},
      {"a shared id takes the first card's x and one label",
       R"({"nodes":[{"id":"a","x":900},{"id":"b","x":500},{"id":"a","x":0}]})", "a=B·1 b=1"},
      {"cards without a text id are left out",
       R"({"nodes":[{"x":0},{"id":5,"x":1},{"id":"a","x":2}],"edges":[{"from":"a","to":5}]})", "a=1"},
      {"two sequences",
       R"({"nodes":[{"id":"b1","x":2000,"seqStart":true,"seqName":"Act 2"},{"id":"b2","x":2400},
                    {"id":"a1","x":0,"seqStart":true,"seqName":"Act 1"},{"id":"a2","x":400},{"id":"a3","x":800}],
           "edges":[{"from":"a1","to":"a2"},{"from":"a2","to":"a3"},{"from":"b1","to":"b2"}]})",
       "b1=A2·1 b2=A2·2 a1=A1·1 a2=A1·2 a3=A1·3"},
      {"with sequences every label has a prefix",
       R"({"nodes":[{"id":"r","x":-100},{"id":"s","x":0,"seqStart":true,"seqName":"cold open"},{"id":"t","x":100}],
           "edges":[{"from":"s","to":"t"}]})",
       "r=B·1 s=CO·1 t=CO·2"},
      {"a start without a text id still counts its position",
       R"({"nodes":[{"x":0,"seqStart":true},{"id":"b","x":100,"seqStart":true,"seqName":"  "}]})", "b=S2·1"},
      {"a sequence runs on through the next start",
       R"({"nodes":[{"id":"a1","x":0,"seqStart":true,"seqName":"Act 1"},{"id":"a2","x":400},
                    {"id":"b1","x":2000,"seqStart":true,"seqName":"Act 2"},{"id":"b2","x":2400}],
           "edges":[{"from":"a1","to":"a2"},{"from":"a2","to":"b1"},{"from":"b1","to":"b2"}]})",
       "a1=A1·1 a2=A1·2 b1=A1·3 b2=A1·4"},
      {"an alternate or a note is no sequence start",
       R"({"nodes":[{"id":"a","x":0,"seqStart":true,"alt":true},{"id":"n","type":"note","seqStart":true},
                    {"id":"b","x":100}]})",
       "b=1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(labels_of(c.doc), c.labels);
  }
}

TEST(VembaNumbers, SequencePrefixes) {
  struct Case {
    const char* name;
    const char* prefix;
  };
  const Case cases[] = {
      {"Act 2", "A2"},      {"act two", "AT"},   {"cold open", "CO"}, {"Ep12 b", "E12B"}, {"2nd unit", "N2U"},
      {"Épisode 3", "P3"},  {"Part 1a2", "PA1"}, {"!! ??", "S1"},     {"", "S1"},         {"\u2003Act\u00A0\t2 ", "A2"},
      {"12 34x5", "12X34"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    json::value doc =
        json::object{{"nodes", json::array{json::object{{"id", "a"}, {"seqStart", true}, {"seqName", c.name}}}}};
    EXPECT_EQ(labels_of(doc), fmt::format("a={}·1", c.prefix));
  }
}

// A row of unconnected cards, or a chain of them, n apart in x.
json::value row(std::size_t n, bool chained) {
  json::array nodes, edges;
  for (std::size_t i = 0; i < n; ++i) {
    nodes.push_back(json::object{{"id", fmt::format("c{}", i)}, {"x", static_cast<double>(i) * 10}});
    if (chained && i > 0)
      edges.push_back(json::object{{"from", fmt::format("c{}", i - 1)}, {"to", fmt::format("c{}", i)}});
  }
  return json::object{{"nodes", std::move(nodes)}, {"edges", std::move(edges)}};
}

TEST(VembaNumbers, SideChainLettersWrapAfterZ) {
  const StoryNumbers labels = vemba_numbers(row(52, false));
  EXPECT_EQ(labels.at("c0"), "1");
  EXPECT_EQ(labels.at("c1"), "B·1");
  EXPECT_EQ(labels.at("c25"), "Z·1");
  EXPECT_EQ(labels.at("c26"), "B2·1");
  EXPECT_EQ(labels.at("c50"), "Z2·1");
  EXPECT_EQ(labels.at("c51"), "B3·1");
}

TEST(VembaNumbers, AChainStopsAfter9999Cards) {
  const StoryNumbers labels = vemba_numbers(row(10001, true));
  EXPECT_EQ(labels.at("c0"), "1");
  EXPECT_EQ(labels.at("c9998"), "9999");
  EXPECT_EQ(labels.at("c9999"), "B·1");
  EXPECT_EQ(labels.at("c10000"), "B·2");
}

}  // namespace
}  // namespace vemba_core::project_io

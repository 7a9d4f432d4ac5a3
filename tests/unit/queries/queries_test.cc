#include "project_io/queries/queries.h"

#include <gtest/gtest.h>

namespace vemba_core::project_io {
namespace {

constexpr std::string_view kDoc =
    R"({"name":"P","nodes":[{"id":"a","groupId":"g1"},{"id":"b"},{"id":"c","groupId":null},)"
    R"({"id":"d","groupId":""},{"id":"e","groupId":"g2"},{"id":"f","groupId":"g1"}],)"
    R"("edges":[{"from":"a","to":"b"}],"groups":[{"id":"g1"}],"images":[1],"mediaShelf":[2],)"
    R"("documents":[3],"videoEmbeds":[4],"links":[]})";

TEST(ReadScoped, Slices) {
  struct Case {
    const char* scope;
    std::optional<std::string_view> group;
    const char* result;  // null: the whole document
  };
  const Case cases[] = {
      {"edges", std::nullopt, R"({"edges":[{"from":"a","to":"b"}]})"},
      {"edges", "g1", R"({"edges":[{"from":"a","to":"b"}]})"},
      {"groups", std::nullopt, R"({"groups":[{"id":"g1"}]})"},
      {"media", "g1", R"({"documents":[3],"images":[1],"mediaShelf":[2],"videoEmbeds":[4]})"},
      {"nodes", "g1", R"({"nodes":[{"groupId":"g1","id":"a"},{"groupId":"g1","id":"f"}]})"},
      {"nodes", "", R"({"nodes":[{"groupId":"","id":"d"}]})"},
      {"nodes", "g9", R"({"nodes":[]})"},
      {"all", std::nullopt, nullptr},
      {"", "g1", nullptr},
      {"NODES", "g1", nullptr},
      {"Nodes", std::nullopt, nullptr},
  };
  const json::value doc = *parse_json(kDoc);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scope);
    EXPECT_EQ(to_compact(read_scoped(doc, c.scope, c.group)), c.result ? c.result : to_compact(doc));
  }
  EXPECT_EQ(read_scoped(doc, "nodes", std::nullopt), (json::object{{"nodes", *member(doc, "nodes")}}));
}

TEST(ReadScoped, MissingArrays) {
  const json::value doc = *parse_json(R"({"nodes":{"a":1},"images":[]})");
  EXPECT_EQ(to_compact(read_scoped(doc, "nodes", std::nullopt)), R"({"nodes":[]})");
  EXPECT_EQ(to_compact(read_scoped(doc, "edges", std::nullopt)), R"({"edges":null})");
  EXPECT_EQ(to_compact(read_scoped(doc, "media", std::nullopt)),
            R"({"documents":null,"images":[],"mediaShelf":null,"videoEmbeds":null})");
}

TEST(AnnotateSizes, StampsACopy) {
  const json::value doc = *parse_json(
      R"({"name":"P","nodes":[{"id":"a","type":"note","w":"x","h":100},{"id":"b","renderedW":1,"renderedH":2},7]})");
  const std::string before = to_compact(doc);
  const json::value out = annotate_sizes(doc);
  EXPECT_EQ(to_compact(doc), before);
  EXPECT_EQ(to_compact(out), R"({"name":"P","nodes":[{"h":184.0,"id":"a","measured":false,"type":"note","w":220.0},)"
                             R"({"h":2.0,"id":"b","measured":true,"renderedH":2,"renderedW":1,"w":1.0},7]})");
  const json::value empty = *parse_json(R"({"nodes":[],"edges":[1]})");
  EXPECT_EQ(annotate_sizes(empty), empty);
}

// The text written without a copy is the copy's text: cards that had sizes,
// nested objects that are no cards, an element that is no object, an object
// elsewhere that looks like a card, and documents without cards.
TEST(AnnotatedText, IsThePrettyTextOfTheAnnotatedCopy) {
  const char* const docs[] = {
      (R"({"name":"P","nodes":[{"id":"a","type":"note","w":"x","h":100,"measured":7,"plan":{"w":1}},)"
       R"({"id":"b","renderedW":1,"renderedH":2},7,{},[{"id":"c"}]],"groups":[{"id":"g","w":5}],"z":{"nodes":[{}]}})"),
      R"({"nodes":[],"edges":[1]})",
      R"({"nodes":{"id":"a"}})",
      R"({"name":"none"})",
  };
  for (const char* text : docs) {
    SCOPED_TRACE(text);
    const json::value d = *parse_json(text);
    EXPECT_EQ(annotated_text(d, 0), to_pretty(annotate_sizes(d)));
    EXPECT_EQ(annotated_text(d, 1 << 20), to_pretty(annotate_sizes(d)));
  }
}

// read_project's text is the pretty form of the scope's part of the
// annotated document, whether or not it is written without the copy.
TEST(ScopedText, IsThePrettyTextOfTheAnnotatedScope) {
  const json::value doc = *parse_json(kDoc);
  const std::pair<const char*, std::optional<std::string_view>> scopes[] = {
      {"all", std::nullopt},   {"all", "g1"},           {"nodes", "g1"},
      {"nodes", std::nullopt}, {"edges", std::nullopt}, {"x", "g2"}};
  for (const auto& [scope, group] : scopes) {
    SCOPED_TRACE(scope);
    EXPECT_EQ(scoped_text(doc, scope, group, 0), to_pretty(read_scoped(annotate_sizes(doc), scope, group)));
  }
  EXPECT_NE(scoped_text(doc, "nodes", "g1", 0), scoped_text(doc, "all", std::nullopt, 0));
}

}  // namespace
}  // namespace vemba_core::project_io

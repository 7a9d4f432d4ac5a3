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

}  // namespace
}  // namespace vemba_core::project_io

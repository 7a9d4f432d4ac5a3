#include "project_io/queries/queries.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

namespace vemba_core::project_io {
namespace {

std::string outline_of(std::string_view doc) { return to_compact(get_outline(*parse_json(doc))); }

// The ids the outline lists in its first group, each followed by a space.
std::string first_group_ids(const json::value& outline) {
  std::string ids;
  for (const json::value& node : *array_of((*array_of(outline, "groups"))[0], "nodes"))
    ids += std::string(text_of(node, "id")) + " ";
  return ids;
}

TEST(Outline, EmptyAndUngroupedBoards) {
  EXPECT_EQ(outline_of(R"({"name":"P","nodes":[],"groups":[]})"), R"({"groups":[],"orphans":[],"project":"P"})");
  EXPECT_EQ(outline_of(R"({"nodes":{},"groups":5})"), R"({"groups":[],"orphans":[],"project":null})");
  EXPECT_EQ(outline_of(R"({"name":"P","nodes":[{"id":"b","x":500},{"id":"a","type":"note"},{"id":"c"}]})"),
            R"({"groups":[],"orphans":[)"
            R"({"hidden":false,"id":"b","number":"B·1","role":"","title":"","type":"vemba"},)"
            R"({"hidden":false,"id":"a","role":"","title":"","type":"note"},)"
            R"({"hidden":false,"id":"c","number":"1","role":"","title":"","type":"vemba"}],"project":"P"})");
}

TEST(Outline, MembersByOwner) {
  const std::string outline = outline_of(R"({
    "name": "Film",
    "groups": [
      {"id": "g1", "name": "Act", "role": "section", "order": 2, "hidden": true, "x": 0, "y": 0, "w": 1000, "h": 1000},
      {"id": "g2", "name": null, "x": 0, "y": 0, "w": 500, "h": 500},
      {"id": 7, "x": 5000, "y": 5000},
      {"id": "g1", "x": 9000, "y": 9000}
    ],
    "nodes": [
      {"id": "big", "x": 600, "y": 600, "type": null, "title": "Far"},
      {"id": "small", "x": 10, "y": 10, "groupId": "gone", "role": "lead", "hidden": true},
      {"id": "assigned", "x": 9999, "y": 9999, "groupId": "g1", "type": "prop"},
      {"id": "lost", "x": 5000, "y": 5000},
      {"x": 10, "y": 10, "title": "no id"},
      {"id": 12, "x": 10, "y": 10}
    ]
  })");
  EXPECT_EQ(
      outline,
      R"({"groups":[)"
      R"({"hidden":true,"id":"g1","name":"Act","nodes":[)"
      R"({"hidden":false,"id":"big","number":"B·1","role":"","title":"Far","type":null},)"
      R"({"hidden":false,"id":"assigned","role":"","title":"","type":"prop"}],"order":2,"role":"section"},)"
      R"({"hidden":false,"id":"g2","name":null,"nodes":[)"
      R"({"hidden":true,"id":"small","number":"1","role":"lead","title":"","type":"vemba"}],"order":null,"role":""},)"
      R"({"hidden":false,"id":"","name":"","nodes":[],"order":null,"role":""},)"
      R"({"hidden":false,"id":"g1","name":"","nodes":[)"
      R"({"hidden":false,"id":"big","number":"B·1","role":"","title":"Far","type":null},)"
      R"({"hidden":false,"id":"assigned","role":"","title":"","type":"prop"}],"order":null,"role":""}],)"
      R"("orphans":[)"
      R"({"hidden":false,"id":"lost","number":"C·1","role":"","title":"","type":"vemba"},)"
      R"({"hidden":false,"id":null,"role":"","title":"no id","type":"vemba"},)"
      R"({"hidden":false,"id":12,"role":"","title":"","type":"vemba"}],"project":"Film"})");
}

TEST(Outline, MembersInSetOrder) {
  const json::value outline = get_outline(*parse_json(R"({
    "groups": [{"id": "g"}],
    "nodes": [
      {"id": "two", "groupId": "g", "order": 2},
      {"id": "none", "groupId": "g"},
      {"id": "minus", "groupId": "g", "order": -1},
      {"id": "max", "groupId": "g", "order": 9223372036854775807},
      {"id": "float", "groupId": "g", "order": 1.0},
      {"id": "huge", "groupId": "g", "order": 9223372036854775808},
      {"id": "text", "groupId": "g", "order": "0"},
      {"id": "zero", "groupId": "g", "order": 0}
    ]
  })"));
  EXPECT_EQ(first_group_ids(outline), "minus zero two none max float huge text ");
}

// More cards of one order than std::sort orders by insertion (16): only a
// stable sort keeps each run of equal orders in document order.
TEST(Outline, EqualOrdersKeepDocumentOrder) {
  json::array nodes;
  std::string by_order[3];
  for (int i = 0; i < 40; ++i) {
    const std::string id = fmt::format("c{}", i);
    json::object node{{"id", id}, {"groupId", "g"}};
    const int kind = i % 5 == 0 ? 0 : i % 7 == 0 ? 2 : 1;  // order 1, order 3 (most), none
    if (kind < 2) node["order"] = kind == 0 ? 1 : 3;
    by_order[kind] += id + " ";
    nodes.push_back(std::move(node));
  }
  const json::value outline =
      get_outline(json::object{{"groups", json::array{json::object{{"id", "g"}}}}, {"nodes", std::move(nodes)}});
  EXPECT_EQ(first_group_ids(outline), by_order[0] + by_order[1] + by_order[2]);
}

}  // namespace
}  // namespace vemba_core::project_io

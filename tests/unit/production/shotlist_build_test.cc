#include "project_io/production/production.h"

#include "support/fixture.h"
#include "support/shortcuts.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

namespace vemba_core::project_io {
namespace {

using Ids = std::optional<std::vector<std::string_view>>;

using vemba_test::add_node;
using vemba_test::doc;

/// The list's scenes with their shots: "sc202[gB] n1 n3 | sc205[-] n4".
std::string layout(const json::value& d, std::string_view list_id) {
  const json::value& list = array_of(d, "nodes")->at(*find_node_index(d, list_id));
  std::string out;
  for (const json::value& scene : *array_of(list, "scenes")) {
    const std::string_view id = text_of(scene, "id");
    out += fmt::format("{}{}[{}]", out.empty() ? "" : " | ", id, opt_text_of(scene, "groupId").value_or("-"));
    for (const json::value& shot : *array_of(list, "shots"))
      if (text_of(shot, "sceneId") == id) out += fmt::format(" {}", opt_text_of(shot, "vembaId").value_or("-"));
  }
  return out;
}

// Cards in two groups and none, out of x order; a note and a card without a
// type among them.
constexpr std::string_view kBoard = R"({
  "nodes": [
    {"id": "c1", "type": "vemba", "x": 70, "groupId": "gB"},
    {"id": "c2", "type": "vemba", "x": 60, "groupId": "gA"},
    {"id": "c3", "x": 50, "groupId": "gB"},
    {"id": "c4", "type": "vemba", "x": 80},
    {"id": "c5", "type": "vemba", "x": "left", "groupId": "gA"},
    {"id": "note", "type": "note", "x": 0, "groupId": "gA"},
    {"id": "L", "type": "shotlist", "x": 500, "scenes": [{"id": "sc1"}], "shots": [{"id": "sh2", "sceneId": "sc1"}]}
  ],
  "groups": [{"id": "gA"}, {"id": "gB"}]
})";

TEST(BuildShotList, OneSceneAGroupInOrderOfTheFirstCardFromTheLeft) {
  struct Case {
    const char* name;
    std::optional<std::string_view> group;
    Ids ids;
    const char* layout;
    std::uint64_t scenes, shots;
  };
  const Case cases[] = {
      // c5's x is no number, so it reads as 0 and comes first.
      {"all cards", std::nullopt, std::nullopt, "sc202[gA] c5 c2 | sc205[gB] c3 c1 | sc208[-] c4", 3, 5},
      {"one group", std::string_view("gB"), std::nullopt, "sc202[gB] c3 c1", 1, 2},
      {"group wins over ids", std::string_view("gA"), Ids({"c1"}), "sc202[gA] c5 c2", 1, 2},
      {"ids", std::nullopt, Ids({"c4", "c1", "note", "zz"}), "sc202[gB] c1 | sc204[-] c4", 2, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    json::value d = doc(kBoard);
    auto built = build_shot_list(d, std::nullopt, c.group, c.ids);
    ASSERT_TRUE(built) << built.error();
    EXPECT_EQ(built->list_id, "n201");
    EXPECT_EQ(built->scenes, c.scenes);
    EXPECT_EQ(built->shots, c.shots);
    EXPECT_EQ(layout(d, "n201"), c.layout);
  }
}

TEST(BuildShotList, LooseCardsGoLeftToRightAndTiesKeepBoardOrder) {
  json::value d = doc(R"({"nodes":[{"id":"a","x":300},{"id":"b","x":100},{"id":"c","x":200.0},{"id":"d","x":100}],
                          "groups":[]})");
  auto built = build_shot_list(d, std::nullopt, std::nullopt, std::nullopt);
  ASSERT_TRUE(built);
  EXPECT_EQ(layout(d, "n201"), "sc202[-] b d c a");
  EXPECT_EQ(built->scenes, 1u);
  EXPECT_EQ(built->shots, 4u);
}

TEST(BuildShotList, ANewListIsAnAddedNode) {
  json::value d = doc(kBoard);
  ASSERT_TRUE(build_shot_list(d, std::nullopt, std::string_view("gB"), std::nullopt));
  const json::value& list = array_of(d, "nodes")->back();
  EXPECT_EQ(text_of(list, "title"), "Shot list");
  EXPECT_EQ(text_of(list, "body"), "");
  EXPECT_EQ(to_compact(*member(list, "x")), "860.0");
  EXPECT_EQ(to_compact(*member(list, "y")), "120.0");
  EXPECT_EQ(to_compact(array_of(list, "shots")->at(0)),
            R"({"custom":{},"description":"","duration":"","id":"sh203","intext":"","lens":"","move":"",)"
            R"("ref":null,"sceneId":"sc202","script":"","setplanId":null,"shot":"","subject":"","vembaId":"c3"})");
}

TEST(BuildShotList, AppendsToAGivenListAfterWhatItHolds) {
  json::value d = doc(kBoard);
  auto built = build_shot_list(d, std::string_view("L"), std::string_view("gB"), std::nullopt);
  ASSERT_TRUE(built);
  EXPECT_EQ(built->list_id, "L");
  EXPECT_EQ(layout(d, "L"), "sc1[-] - | sc201[gB] c3 c1");
  EXPECT_EQ(text_of(array_of(array_of(d, "nodes")->at(6), "shots")->at(0), "id"), "sh2");
  ASSERT_TRUE(build_shot_list(d, std::string_view("L"), std::string_view("gB"), std::nullopt));
  EXPECT_EQ(layout(d, "L"), "sc1[-] - | sc201[gB] c3 c1 | sc204[gB] c3 c1");
}

TEST(BuildShotList, IdsAreThoseOfOneAdditionAtATime) {
  // The reference adds each scene and shot by its own call, so each id comes
  // from a fresh scan of the document; near the top of the 64-bit range the
  // numbers fall back to the smallest free ones.
  struct Case {
    const char* name;
    const char* extra_group;
  };
  const Case cases[] = {
      {"ordinary", "g7"},
      {"reaching the top", "g18446744073709551612"},
      {"from the top", "g18446744073709551615"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    json::value board = doc(R"({"nodes":[
        {"id":"a","x":1,"groupId":"gA"},{"id":"b","x":2},{"id":"c","x":3,"groupId":"gB"},
        {"id":"d","x":4,"groupId":"gA"},{"id":"e","x":5},{"id":"f","x":6,"groupId":"gB"},{"id":"x202","type":"note"}],
      "groups":[{"id":"gA"},{"id":"gB"}]})");
    board.as_object()["groups"].as_array().push_back(json::object{{"id", c.extra_group}});

    json::value reference = board;
    const std::string list = add_node(reference, "shotlist", "Shot list", "").value();
    const std::pair<std::optional<std::string_view>, std::vector<std::string_view>> buckets[] = {
        {"gA", {"a", "d"}}, {std::nullopt, {"b", "e"}}, {"gB", {"c", "f"}}};
    for (const auto& [group, cards] : buckets) {
      const std::string scene = add_scene(reference, list, "", group).value();
      for (std::string_view card : cards) ASSERT_TRUE(add_shot(reference, list, scene, card, json::object()));
    }

    auto built = build_shot_list(board, std::nullopt, std::nullopt, std::nullopt);
    ASSERT_TRUE(built) << built.error();
    EXPECT_EQ(built->list_id, list);
    EXPECT_EQ(to_compact(board), to_compact(reference));
  }
}

TEST(BuildShotList, NothingMatchedChangesNothing) {
  const std::string text = "no vembas matched \u2014 check the groupId / nodeIds";
  struct Case {
    const char* name;
    std::optional<std::string_view> list, group;
    Ids ids;
  };
  const Case cases[] = {
      {"empty ids", std::nullopt, std::nullopt, Ids(std::vector<std::string_view>{})},
      {"only a note", std::nullopt, std::nullopt, Ids({"note"})},
      {"no such group", std::nullopt, std::string_view("gZ"), std::nullopt},
      {"bad list not looked at", std::string_view("zz"), std::string_view(""), std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    json::value d = doc(kBoard);
    EXPECT_EQ(build_shot_list(d, c.list, c.group, c.ids).error(), text);
    EXPECT_EQ(to_compact(d), to_compact(doc(kBoard)));
  }
}

TEST(BuildShotList, Failures) {
  struct Case {
    const char* name;
    const char* board;
    std::optional<std::string_view> list;
    const char* error;
  };
  const Case cases[] = {
      {"nodes not array", R"({"nodes":{}})", std::nullopt, "nodes not array"},
      {"list missing", R"({"nodes":[{"id":"a"}]})", std::string_view("zz"), "node not found: zz"},
      {"list is a card", R"({"nodes":[{"id":"a"}]})", std::string_view("a"), "node a is a vemba, not a shotlist"},
      {"group missing", R"({"nodes":[{"id":"a","groupId":"gX"}],"groups":[]})", std::nullopt, "group not found: gX"},
      {"empty group", R"({"nodes":[{"id":"a","groupId":""}],"groups":[{"id":"g"}]})", std::nullopt,
       "group not found: "},
      {"card without id", R"({"nodes":[{"x":1}],"groups":[]})", std::nullopt, "vemba not found: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    json::value d = doc(c.board);
    EXPECT_EQ(build_shot_list(d, c.list, std::nullopt, std::nullopt).error(), c.error);
  }
  // A card without an id links to a node that has the empty id.
  json::value d = doc(R"({"nodes":[{"x":1},{"id":"","type":"note"}],"groups":[]})");
  ASSERT_TRUE(build_shot_list(d, std::nullopt, std::nullopt, std::nullopt));
  EXPECT_EQ(layout(d, "n201"), "sc202[-] ");
}

}  // namespace
}  // namespace vemba_core::project_io

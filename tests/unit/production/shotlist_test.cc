#include "project_io/production/production.h"

#include "support/fixture.h"

#include <gtest/gtest.h>

#include <fmt/format.h>
#include <fmt/ranges.h>

namespace vemba_core::project_io {
namespace {

// A list with one scene and one shot, a story card, a note, a card without
// a type and a group.
constexpr std::string_view kBoard = R"({
  "nodes": [
    {"id": "L", "type": "shotlist", "title": "List", "kept": 1,
     "scenes": [{"id": "sc5", "name": "A"}], "shots": [{"id": "sh6", "sceneId": "sc5", "lens": "", "keep": 1}]},
    {"id": "v1", "type": "vemba", "x": 0},
    {"id": "note", "type": "note"},
    {"id": "bare"}
  ],
  "groups": [{"id": "g1", "name": "Act"}]
})";

using vemba_test::doc;

json::value board() { return doc(kBoard); }

std::string part(const json::value& d, std::size_t node, std::string_view key) {
  const json::value* v = member(array_of(d, "nodes")->at(node), key);
  return v ? to_compact(*v) : "<missing>";
}

/// "applied | ignored", each joined by ", ".
std::string keys(const PatchResult& r) {
  return fmt::format("{} | {}", fmt::join(r.applied, ", "), fmt::join(r.ignored, ", "));
}

TEST(ShotlistIndex, FindsOnlyShotLists) {
  const json::value d = board();
  EXPECT_EQ(shotlist_index(d, "L").value(), 0u);
  struct Case {
    const char* id;
    const char* error;
  };
  const Case cases[] = {{"zz", "node not found: zz"},
                        {"", "node not found: "},
                        {"l", "node not found: l"},
                        {"v1", "node v1 is a vemba, not a shotlist"},
                        {"note", "node note is a note, not a shotlist"},
                        {"bare", "node bare is a vemba, not a shotlist"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(shotlist_index(d, c.id).error(), c.error);
  }
  EXPECT_EQ(shotlist_index(doc(R"({"nodes":{}})"), "L").error(), "node not found: L");
}

TEST(AddScene, AppendsLooseAndBoundScenesWithFreshIds) {
  json::value d = board();
  EXPECT_EQ(add_scene(d, "L", "Night", std::nullopt).value(), "sc201");
  EXPECT_EQ(add_scene(d, "L", "Dropped", std::string_view("g1")).value(), "sc202");
  EXPECT_EQ(part(d, 0, "scenes"),
            R"([{"id":"sc5","name":"A"},)"
            R"({"collapsed":false,"color":null,"groupId":null,"heading":"","id":"sc201","linkIds":[],"name":"Night"},)"
            R"({"collapsed":false,"color":null,"groupId":"g1","heading":"","id":"sc202","linkIds":[],"name":""}])");
}

TEST(AddScene, RefusesUnknownGroupsAndRepairsScenes) {
  json::value d = board();
  EXPECT_EQ(add_scene(d, "L", "", std::string_view("g9")).error(), "group not found: g9");
  EXPECT_EQ(add_scene(d, "L", "", std::string_view("")).error(), "group not found: ");
  EXPECT_EQ(add_scene(d, "v1", "", std::nullopt).error(), "node v1 is a vemba, not a shotlist");
  EXPECT_EQ(to_compact(d), to_compact(board()));

  json::value text_scenes = doc(R"({"nodes":[{"id":"L","type":"shotlist","scenes":"x"}]})");
  ASSERT_TRUE(add_scene(text_scenes, "L", "S", std::nullopt));
  EXPECT_EQ(array_of(array_of(text_scenes, "nodes")->at(0), "scenes")->size(), 1u);
}

TEST(AddShot, BuildsTheShotRecord) {
  json::value d = board();
  EXPECT_EQ(add_shot(d, "L", std::nullopt, std::string_view("v1"), json::object()).value(), "sh201");
  EXPECT_EQ(to_compact(array_of(array_of(d, "nodes")->at(0), "shots")->at(1)),
            R"({"custom":{},"description":"","duration":"","id":"sh201","intext":"","lens":"","move":"",)"
            R"("ref":null,"sceneId":"sc5","script":"","setplanId":null,"shot":"","subject":"","vembaId":"v1"})");
}

TEST(AddShot, TakesOnlyTextFields) {
  json::value d = board();
  const json::value fields = doc(R"({"lens":"35mm","take":3,"ref":7,"id":"x","sceneId":"zz","vembaId":"v1"})");
  ASSERT_TRUE(add_shot(d, "L", std::nullopt, std::nullopt, fields));
  const json::value& shot = array_of(array_of(d, "nodes")->at(0), "shots")->at(1);
  EXPECT_EQ(to_compact(*member(shot, "lens")), R"("35mm")");
  EXPECT_EQ(to_compact(*member(shot, "ref")), "null");
  EXPECT_EQ(to_compact(*member(shot, "id")), R"("sh201")");
  EXPECT_EQ(to_compact(*member(shot, "vembaId")), "null");
  EXPECT_EQ(member(shot, "take"), nullptr);
  ASSERT_TRUE(add_shot(d, "L", std::nullopt, std::nullopt, doc(R"({"ref":"a.png","script":"Hi"})")));
  EXPECT_NE(part(d, 0, "shots").find(R"("ref":"a.png")"), std::string::npos);
  // Fields that are not an object give nothing.
  ASSERT_TRUE(add_shot(d, "L", std::nullopt, std::nullopt, doc(R"(["lens"])")));
}

TEST(AddShot, MakesALooseSceneWhenTheListHasNoUsableOne) {
  for (const char* scenes : {"[]", R"([{"name":"no id"},{"id":5}])", R"("x")"}) {
    SCOPED_TRACE(scenes);
    json::value d = doc(fmt::format(R"({{"nodes":[{{"id":"L","type":"shotlist","scenes":{},"shots":[]}}]}})", scenes));
    // The shot's number comes after the scene's.
    EXPECT_EQ(add_shot(d, "L", std::nullopt, std::nullopt, json::object()).value(), "sh202");
    const json::array& all = *array_of(array_of(d, "nodes")->at(0), "scenes");
    EXPECT_EQ(to_compact(all.back()),
              R"({"collapsed":false,"color":null,"groupId":null,"heading":"","id":"sc201","linkIds":[],"name":""})");
    EXPECT_NE(part(d, 0, "shots").find(R"("sceneId":"sc201")"), std::string::npos);
  }
}

TEST(AddShot, ChoosesTheGivenSceneOfThisList) {
  json::value d = doc(R"({"nodes":[
      {"id":"L","type":"shotlist","scenes":[{"id":5},{"id":"sc1"},{"id":"sc2"}],"shots":[]},
      {"id":"M","type":"shotlist","scenes":[{"id":"sc9"}],"shots":[]}]})");
  ASSERT_TRUE(add_shot(d, "L", std::string_view("sc2"), std::nullopt, json::object()));
  ASSERT_TRUE(add_shot(d, "L", std::nullopt, std::nullopt, json::object()));
  const json::array& shots = *array_of(array_of(d, "nodes")->at(0), "shots");
  EXPECT_EQ(text_of(shots.at(0), "sceneId"), "sc2");
  EXPECT_EQ(text_of(shots.at(1), "sceneId"), "sc1");  // the first scene with a text id
  EXPECT_EQ(add_shot(d, "L", std::string_view("sc9"), std::nullopt, json::object()).error(),
            "scene not found on this list: sc9");
  EXPECT_EQ(add_shot(d, "L", std::string_view(""), std::nullopt, json::object()).error(),
            "scene not found on this list: ");
}

TEST(AddShot, LinksToAnyNodeAndChecksInOrder) {
  json::value d = board();
  EXPECT_TRUE(add_shot(d, "L", std::nullopt, std::string_view("note"), json::object()));
  EXPECT_TRUE(add_shot(d, "L", std::nullopt, std::string_view("L"), json::object()));
  struct Case {
    const char* list;
    std::optional<std::string_view> scene, vemba;
    const char* error;
  };
  const Case cases[] = {
      {"note", std::nullopt, std::string_view("zz"), "node note is a note, not a shotlist"},
      {"L", std::string_view("zz"), std::string_view("zz"), "vemba not found: zz"},
      {"L", std::string_view("zz"), std::string_view(""), "vemba not found: "},
      {"L", std::string_view("zz"), std::nullopt, "scene not found on this list: zz"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    EXPECT_EQ(add_shot(d, c.list, c.scene, c.vemba, json::object()).error(), c.error);
  }
}

TEST(AddShot, ListsWithoutShotsFailAfterTheirLooseScene) {
  json::value d = doc(R"({"nodes":[{"id":"L","type":"shotlist","shots":{}}]})");
  EXPECT_EQ(add_shot(d, "L", std::nullopt, std::nullopt, json::object()).error(), "shots not array");
  // The caller discards the document after a failure; the scene shows why.
  EXPECT_EQ(array_of(array_of(d, "nodes")->at(0), "scenes")->size(), 1u);
}

TEST(EditShot, AcceptsEachKeyByItsKind) {
  struct Case {
    const char* patch;
    const char* keys;
    const char* shot;
  };
  const Case cases[] = {
      {R"({"take":1,"shootOrder":-2})", "shootOrder, take | ",
       R"({"id":"sh6","keep":1,"lens":"","sceneId":"sc5","shootOrder":-2,"take":1})"},
      {R"({"take":0})", " | take", nullptr},
      {R"({"take":1.0})", " | take", nullptr},
      {R"({"take":1e1,"shootOrder":2.5})", " | shootOrder, take", nullptr},
      {R"({"take":9223372036854775808,"shootOrder":9223372036854775808})", " | shootOrder, take", nullptr},
      {R"({"take":9223372036854775807,"shootOrder":-9223372036854775808})", "shootOrder, take | ",
       R"({"id":"sh6","keep":1,"lens":"","sceneId":"sc5","shootOrder":-9223372036854775808,"take":9223372036854775807})"},
      {R"({"take":null,"shootOrder":null})", "shootOrder, take | ",
       R"({"id":"sh6","keep":1,"lens":"","sceneId":"sc5","shootOrder":null,"take":null})"},
      {R"({"done":true,"skipped":1})", "done | skipped",
       R"({"done":true,"id":"sh6","keep":1,"lens":"","sceneId":"sc5"})"},
      {R"({"ref":null,"vembaId":"nowhere","sceneId":null,"setplanId":"p"})", "ref, sceneId, setplanId, vembaId | ",
       R"({"id":"sh6","keep":1,"lens":"","ref":null,"sceneId":null,"setplanId":"p","vembaId":"nowhere"})"},
      {R"({"ref":5,"vembaId":[]})", " | ref, vembaId", nullptr},
      {R"({"lens":"35mm","obs":"ok","lens2":"x","subject":null})", "lens, obs | lens2, subject",
       R"({"id":"sh6","keep":1,"lens":"35mm","obs":"ok","sceneId":"sc5"})"},
      {R"({"intext":"INT","shot":"CU","move":"","duration":"3s","description":"d","script":"s"})",
       "description, duration, intext, move, script, shot | ",
       R"({"description":"d","duration":"3s","id":"sh6","intext":"INT","keep":1,"lens":"","move":"",)"
       R"("sceneId":"sc5","script":"s","shot":"CU"})"},
      {R"({"id":"x","custom":{},"refs":[],"keep":2})", " | custom, id, keep, refs", nullptr},
      {R"({"b":1,"B":1,"a":1})", " | B, a, b", nullptr},
      {R"("lens")", " | ", nullptr},
      {"{}", " | ", nullptr},
  };
  const std::string untouched = R"({"id":"sh6","keep":1,"lens":"","sceneId":"sc5"})";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.patch);
    json::value d = board();
    auto r = edit_shot(d, "L", "sh6", doc(c.patch));
    ASSERT_TRUE(r) << r.error();
    EXPECT_EQ(keys(*r), c.keys);
    EXPECT_EQ(to_compact(array_of(array_of(d, "nodes")->at(0), "shots")->at(0)), c.shot ? c.shot : untouched);
  }
}

TEST(EditShot, ActsOnTheFirstShotWithTheId) {
  json::value d = doc(R"({"nodes":[{"id":"L","type":"shotlist","shots":[5,{"id":"s"},{"id":"s"}]}]})");
  ASSERT_TRUE(edit_shot(d, "L", "s", doc(R"({"done":false})")));
  EXPECT_EQ(part(d, 0, "shots"), R"([5,{"done":false,"id":"s"},{"id":"s"}])");
}

TEST(EditShot, Failures) {
  json::value d = board();
  EXPECT_EQ(edit_shot(d, "L", "sh7", json::object()).error(), "shot not found: sh7");
  EXPECT_EQ(edit_shot(d, "v1", "sh6", json::object()).error(), "node v1 is a vemba, not a shotlist");
  json::value no_shots = doc(R"({"nodes":[{"id":"L","type":"shotlist"}]})");
  EXPECT_EQ(edit_shot(no_shots, "L", "sh6", json::object()).error(), "shots not array");
}

TEST(EditShotList, AcceptsEachKeyByItsValue) {
  struct Case {
    const char* patch;
    const char* keys;
    const char* stored;  // the list without scenes and shots
  };
  const Case cases[] = {
      {R"({"callTime":"07:30","orderMode":"custom"})", "callTime, orderMode | ",
       R"({"callTime":"07:30","id":"L","kept":1,"orderMode":"custom","title":"List","type":"shotlist"})"},
      {R"({"callTime":null})", "callTime | ",
       R"({"callTime":null,"id":"L","kept":1,"title":"List","type":"shotlist"})"},
      {R"({"callTime":"99:99","numberStyle":"flat","title":"Day 1"})", "callTime, numberStyle, title | ",
       R"({"callTime":"99:99","id":"L","kept":1,"numberStyle":"flat","title":"Day 1","type":"shotlist"})"},
      {R"({"numberStyle":"scene","orderMode":"story"})", "numberStyle, orderMode | ",
       R"({"id":"L","kept":1,"numberStyle":"scene","orderMode":"story","title":"List","type":"shotlist"})"},
      {R"({"numberStyle":"Flat","orderMode":"manual","title":null,"scenes":[]})",
       " | numberStyle, orderMode, scenes, title", nullptr},
  };
  const std::string untouched = R"({"id":"L","kept":1,"title":"List","type":"shotlist"})";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.patch);
    json::value d = board();
    auto r = edit_shot_list(d, "L", doc(c.patch));
    ASSERT_TRUE(r) << r.error();
    EXPECT_EQ(keys(*r), c.keys);
    json::object list = array_of(d, "nodes")->at(0).get_object();
    EXPECT_EQ(to_compact(list["scenes"]), R"([{"id":"sc5","name":"A"}])");
    list.erase("scenes");
    list.erase("shots");
    EXPECT_EQ(to_compact(list), c.stored ? c.stored : untouched);
  }
}

TEST(EditShotList, CallTimeMustHaveTheClockShape) {
  for (const char* time : {"7:30", "09:30 ", "0930", "09-30", "0a:30", "09:3", "12:345"}) {
    SCOPED_TRACE(time);
    json::value d = board();
    json::value patch = json::object{{"callTime", time}};
    EXPECT_EQ(keys(edit_shot_list(d, "L", patch).value()), " | callTime (must be 'HH:MM' or null)");
  }
  json::value d = board();
  EXPECT_EQ(keys(edit_shot_list(d, "L", doc(R"({"callTime":730})")).value()), " | callTime (must be 'HH:MM' or null)");
  EXPECT_EQ(keys(edit_shot_list(d, "L", doc(R"({"callTime":"24:00"})")).value()), "callTime | ");
}

TEST(EditShotList, PatchesThatAreNotObjectsAndBadListsChangeNothing) {
  json::value d = board();
  EXPECT_EQ(keys(edit_shot_list(d, "L", doc(R"("title")")).value()), " | ");
  EXPECT_EQ(edit_shot_list(d, "bare", doc(R"({"title":"x"})")).error(), "node bare is a vemba, not a shotlist");
  EXPECT_EQ(edit_shot_list(d, "", doc(R"({"title":"x"})")).error(), "node not found: ");
  EXPECT_EQ(to_compact(d), to_compact(board()));
}

}  // namespace
}  // namespace vemba_core::project_io

// Shot lists and set plans through the real binary: replies, the document on
// disk, and nothing written when an edit fails.

#include "e2e/board_fixture.h"

#include "project_io/production/production.h"

namespace vemba_test {
namespace {

using vemba_core::project_io::to_pretty;

constexpr std::string_view kBuiltTail =
    " Linked shots pull description, lens, shot type and duration LIVE from their vembas \u2014 leave those fields "
    "empty unless overriding.";

constexpr std::string_view kLooseScene =
    R"({"collapsed":false,"color":null,"groupId":null,"heading":"","id":"sc204","linkIds":[],"name":""})";

TEST_F(FilmTest, BuildShotListLinksEveryStoryCardLeftToRight) {
  const std::string before = project_bytes();
  const ToolReply r = edit("build_shot_list");
  EXPECT_FALSE(r.is_error());
  EXPECT_EQ(r.text(), "Done. Shot list n201: added 2 scene(s) and 2 linked shot(s)." + std::string(kBuiltTail));
  EXPECT_EQ(on_disk({"nodes", "3", "type"}), R"("shotlist")");
  EXPECT_EQ(on_disk({"nodes", "3", "title"}), R"("Shot list")");
  EXPECT_EQ(on_disk({"nodes", "3", "x"}), "1180.5");
  EXPECT_EQ(on_disk({"nodes", "3", "scenes"}),
            R"([{"collapsed":false,"color":null,"groupId":"g7","heading":"","id":"sc202","linkIds":[],"name":""},)" +
                std::string(kLooseScene) + "]");
  EXPECT_EQ(on_disk({"nodes", "3", "shots", "0"}),
            R"({"custom":{},"description":"","duration":"","id":"sh203","intext":"","lens":"","move":"",)"
            R"("ref":null,"sceneId":"sc202","script":"","setplanId":null,"shot":"","subject":"","vembaId":"n1"})");
  EXPECT_EQ(on_disk({"nodes", "3", "shots", "1", "id"}), R"("sh205")");
  EXPECT_EQ(on_disk({"nodes", "3", "shots", "1", "vembaId"}), R"("n3")");
  EXPECT_EQ(on_disk({"custom"}), R"({"kept":true})");
  const std::vector<std::string> snaps = list_names(history());
  ASSERT_EQ(snaps.size(), 1u);
  EXPECT_EQ(slurp(history() / snaps[0]), before);
  expect_signal_done();
}

TEST_F(FilmTest, BuildShotListFilters) {
  struct Case {
    const char* args;
    const char* counts;
    const char* first_card;
  };
  const Case cases[] = {
      {R"({"nodeIds":"n1"})", "2 scene(s) and 2 linked shot(s)", R"("n1")"},
      {R"({"nodeIds":["n3",5,"n2"]})", "1 scene(s) and 1 linked shot(s)", R"("n3")"},
      {R"({"groupId":"g7","nodeIds":["n3"]})", "1 scene(s) and 1 linked shot(s)", R"("n1")"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    write_file(folder_ / "project.json", kFilm);
    const ToolReply r = edit("build_shot_list", c.args);
    EXPECT_EQ(r.text(), "Done. Shot list n201: added " + std::string(c.counts) + "." + std::string(kBuiltTail));
    EXPECT_EQ(on_disk({"nodes", "3", "shots", "0", "vembaId"}), c.first_card);
  }
}

TEST_F(FilmTest, ScenesAndShotsAreAddedAndEditedOneByOne) {
  ASSERT_EQ(edit("add_node", R"({"kind":"shotlist","title":"Day 1"})").text(), "Done. Added node n201.");
  EXPECT_EQ(edit("add_scene", R"({"nodeId":"n201","name":"Night"})").text(), "Done. Added scene sc202.");
  EXPECT_EQ(edit("add_scene", R"({"nodeId":"n201","name":"Dropped","groupId":"g7"})").text(),
            "Done. Added scene sc203.");
  EXPECT_EQ(on_disk({"nodes", "3", "scenes", "1", "name"}), R"("")");
  EXPECT_EQ(on_disk({"nodes", "3", "scenes", "1", "groupId"}), R"("g7")");
  EXPECT_EQ(edit("add_shot", R"({"nodeId":"n201","sceneId":"sc203","vembaId":"n1","fields":{"lens":"35mm","take":3}})")
                .text(),
            "Done. Added shot sh204.");
  EXPECT_EQ(edit("add_shot", R"({"nodeId":"n201","fields":"lens"})").text(), "Done. Added shot sh205.");
  EXPECT_EQ(on_disk({"nodes", "3", "shots", "1", "sceneId"}), R"("sc202")");

  EXPECT_EQ(
      edit("edit_shot", R"({"nodeId":"n201","shotId":"sh204","patch":{"done":true,"take":0,"shootOrder":-2}})").text(),
      "Done. Applied: done, shootOrder. IGNORED: take.");
  EXPECT_EQ(edit("edit_shot", R"({"nodeId":"n201","shotId":"sh204","patch":{"id":"x"}})").text(),
            "Done. Applied: (none). IGNORED: id.");
  EXPECT_EQ(on_disk({"nodes", "3", "shots", "0"}),
            R"({"custom":{},"description":"","done":true,"duration":"","id":"sh204","intext":"","lens":"35mm",)"
            R"("move":"","ref":null,"sceneId":"sc203","script":"","setplanId":null,"shootOrder":-2,"shot":"",)"
            R"("subject":"","vembaId":"n1"})");

  EXPECT_EQ(
      edit("edit_shot_list", R"({"nodeId":"n201","patch":{"callTime":"07:30","orderMode":"custom","title":7}})").text(),
      "Done. Applied: callTime, orderMode. IGNORED: title.");
  EXPECT_EQ(edit("edit_shot_list", R"({"nodeId":"n201","patch":{"callTime":"7:30"}})").text(),
            "Done. Applied: (none). IGNORED: callTime (must be 'HH:MM' or null).");
  EXPECT_EQ(edit("edit_shot_list", R"({"nodeId":"n201"})").text(), "Done. Applied: (none).");
  EXPECT_EQ(on_disk({"nodes", "3", "callTime"}), R"("07:30")");
  EXPECT_EQ(on_disk({"nodes", "3", "orderMode"}), R"("custom")");
  EXPECT_EQ(on_disk({"nodes", "3", "title"}), R"("Day 1")");
  EXPECT_EQ(edit("edit_shot_list", R"({"nodeId":"n201","patch":{"callTime":null}})").text(),
            "Done. Applied: callTime.");
  EXPECT_EQ(on_disk({"nodes", "3", "callTime"}), "null");
}

TEST_F(FilmTest, SetPlanElementsAndTheWholePlan) {
  ASSERT_EQ(edit("add_node", R"({"kind":"setplan","title":"Stage"})").text(), "Done. Added node n201.");
  EXPECT_EQ(edit("add_plan_element", R"({"nodeId":"n201","element":{"kind":"camera","focal":35}})").text(),
            "Done. Added element e202.");
  EXPECT_EQ(edit("add_plan_element", R"({"nodeId":"n201","element":{"kind":"light","x":10,"id":"mine"}})").text(),
            "Done. Added element e203.");
  EXPECT_EQ(on_disk({"nodes", "3", "plan", "elements"}),
            R"([{"focal":35,"id":"e202","kind":"camera","rot":0.0,"x":200.0,"y":150.0},)"
            R"({"id":"e203","kind":"light","rot":0.0,"x":10,"y":150.0}])");
  EXPECT_EQ(edit("edit_plan_element", R"({"nodeId":"n201","elementId":"e202","patch":{"x":12.5,"id":"zz"}})").text(),
            "Done. Applied: x.");
  EXPECT_EQ(edit("edit_plan_element", R"({"nodeId":"n201","elementId":"e202","patch":"x"})").text(),
            "Done. Applied: (none).");
  EXPECT_EQ(edit("remove_plan_element", R"({"nodeId":"n201","elementId":"e203"})").text(), "Done. Element removed.");
  EXPECT_EQ(on_disk({"nodes", "3", "plan", "elements"}),
            R"([{"focal":35,"id":"e202","kind":"camera","rot":0.0,"x":12.5,"y":150.0}])");

  const ToolReply read = edit("read_set_plan", R"({"nodeId":"n201"})");
  EXPECT_FALSE(read.is_error());
  EXPECT_EQ(read.text(), "Set Plan \"Stage\": 5.0×3.5 m room, 1 elements (1 camera), rays off, light floor.\n\n" +
                             to_pretty(parse(on_disk({"nodes", "3", "plan"}))));

  EXPECT_EQ(
      edit("edit_set_plan",
           R"({"nodeId":"n201","plan":{"scale":{"roomW":4,"roomH":3},"elements":[{}],"showRays":true}})")
          .text(),
      "Done. Set Plan updated. Set Plan \"Stage\": 4.0×3.0 m room, 1 elements (1 element), rays on, light floor.");
  EXPECT_EQ(on_disk({"nodes", "3", "plan"}),
            R"({"elements":[{}],"scale":{"roomH":3,"roomW":4},"sensorW":24.89,"showRays":true})");
}

TEST_F(FilmTest, ABatchSeesTheIdsItsOwnOpsMade) {
  const ToolReply r = edit("batch", R"({"ops":[
      {"tool":"build_shot_list","arguments":{"groupId":"g7"}},
      {"tool":"edit_shot","arguments":{"nodeId":"n201","shotId":"sh203","patch":{"lens":"50mm"}}}]})");
  EXPECT_EQ(r.text(),
            "Batch done \u2014 2 op(s), one write, one snapshot.\n"
            "1. build_shot_list: Shot list n201: added 1 scene(s) and 1 linked shot(s)." +
                std::string(kBuiltTail) + "\n2. edit_shot: Applied: lens.");
  EXPECT_EQ(on_disk({"nodes", "3", "shots", "0", "lens"}), R"("50mm")");
}

TEST_F(FilmTest, FailedProductionEditsWriteNothing) {
  const std::string kinds =
      R"(element kind must be one of ["camera", "light", "subject", "prop", "modifier", "wall", "window", "door", )"
      R"("note", "path"] (got: )";
  struct Case {
    const char* tool;
    const char* args;
    std::string error;
  };
  const Case cases[] = {
      {"build_shot_list", R"({"nodeIds":[]})", "no vembas matched \u2014 check the groupId / nodeIds"},
      {"build_shot_list", R"({"nodeId":"zz","groupId":"g9"})", "no vembas matched \u2014 check the groupId / nodeIds"},
      {"build_shot_list", R"({"nodeId":"n2"})", "node n2 is a note, not a shotlist"},
      {"add_scene", "{}", "node not found: "},
      {"add_scene", R"({"nodeId":"n1","groupId":"g7"})", "node n1 is a vemba, not a shotlist"},
      {"add_shot", R"({"nodeId":"n3"})", "node n3 is a vemba, not a shotlist"},
      {"edit_shot", R"({"nodeId":"zz","shotId":"sh1"})", "node not found: zz"},
      {"edit_shot_list", R"({"nodeId":"n2","patch":{"title":"x"}})", "node n2 is a note, not a shotlist"},
      {"edit_set_plan", R"({"nodeId":"zz"})", "'plan' must be a JSON object"},
      {"edit_set_plan", R"({"nodeId":"zz","plan":[1]})", "'plan' must be a JSON object"},
      {"edit_set_plan", R"({"nodeId":"n2","plan":{}})", "node n2 is not a setplan"},
      {"add_plan_element", R"({"nodeId":"zz","element":{"kind":"lamp"}})", kinds + "lamp)"},
      {"add_plan_element", R"({"nodeId":"zz"})", kinds + ")"},
      {"add_plan_element", R"({"nodeId":"n1","element":{"kind":"camera"}})", "node n1 is not a setplan"},
      {"edit_plan_element", R"({"nodeId":"zz","elementId":"e1"})", "node not found: zz"},
      {"remove_plan_element", R"({"nodeId":"n3","elementId":"e1"})", "node n3 is not a setplan"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.tool) + " " + c.args);
    expect_refused(c.tool, c.args, c.error);
  }
}

// Failures that come after the operation already changed the state in
// memory: a repaired plan, a new list, a loose scene.
TEST(ProductionTools, FailuresAfterAnInMemoryChangeWriteNothing) {
  Session s;
  const std::string bare = R"({"name":"Bare","groups":[],"nodes":[
      {"id":"p","type":"setplan","title":"Bare"},
      {"id":"L","type":"shotlist","shots":{}},
      {"id":"c","type":"vemba","groupId":"gone"}]})";
  const fs::path folder = s.make_project("bare", bare);
  // An element value as deep as a request may carry ends up too deep for the
  // file once it sits inside the plan.
  const std::string deep = std::string(122, '[') + std::string(122, ']');
  struct Case {
    const char* tool;
    std::string args;
    const char* error;
  };
  const Case cases[] = {
      {"remove_plan_element", R"({"nodeId":"p","elementId":"e1"})", "element not found: e1"},
      {"add_plan_element", R"({"nodeId":"p","element":{"kind":"camera","deep":)" + deep + "}}",
       "serialize: nested deeper than 127 levels"},
      {"edit_plan_element", R"({"nodeId":"p","elementId":"e1","patch":{"x":1}})", "element not found: e1"},
      {"add_shot", R"({"nodeId":"L"})", "shots not array"},
      {"edit_shot", R"({"nodeId":"L","shotId":"sh1"})", "shots not array"},
      {"build_shot_list", "{}", "group not found: gone"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tool);
    json::value args = parse(c.args);
    args.as_object()["project"] = "bare";
    const ToolReply r = s.call(c.tool, args);
    EXPECT_TRUE(r.is_error());
    EXPECT_EQ(r.text(), c.error);
    EXPECT_EQ(slurp(folder / "project.json"), bare);
  }
}

TEST(ReadSetPlan, ShowsTheDefaultPlanOfABareCardAndWritesNothing) {
  Session s;
  const std::string bare = R"({"nodes":[{"id":"p","type":"setplan","title":"Bare"},{"id":"n","type":"note"}]})";
  const fs::path folder = s.make_project("bare", bare);
  const ToolReply r = s.call("read_set_plan", parse(R"({"project":"bare","nodeId":"p"})"));
  EXPECT_FALSE(r.is_error());
  EXPECT_EQ(r.text(), "Set Plan \"Bare\": 5.0×3.5 m room, 0 elements, rays off, light floor.\n\n" +
                          to_pretty(vemba_core::project_io::default_set_plan()));
  struct Case {
    const char* args;
    const char* error;
  };
  const Case cases[] = {{R"({"project":"bare"})", "node not found: "},
                        {R"({"project":"bare","nodeId":5})", "node not found: "},
                        {R"({"project":"bare","nodeId":"n"})", "node n is not a setplan"},
                        {R"({"nodeId":"p"})", "missing 'project'"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const ToolReply failed = s.call("read_set_plan", parse(c.args));
    EXPECT_TRUE(failed.is_error());
    EXPECT_EQ(failed.text(), c.error);
  }
  EXPECT_EQ(slurp(folder / "project.json"), bare);
  EXPECT_FALSE(fs::exists(folder / ".vemba-history"));
  EXPECT_FALSE(fs::exists(s.library() / ".vemba-sync.json"));
}

}  // namespace
}  // namespace vemba_test

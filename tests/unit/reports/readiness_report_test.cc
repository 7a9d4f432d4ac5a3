#include "project_io/reports/reports.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <array>

namespace vemba_core::project_io {
namespace {

json::value report(std::string_view doc) { return production_report(*parse_json(doc)); }

std::string part(const json::value& v, std::string_view key) {
  const json::value* m = member(v, key);
  return m ? to_compact(*m) : "<missing>";
}

TEST(ProductionReport, EmptyBoards) {
  for (const char* doc : {R"({"nodes":[]})", R"({"nodes":{"id":"a"}})", R"({"nodes":[{"type":"note","body":"@x"}]})"}) {
    SCOPED_TRACE(doc);
    EXPECT_EQ(to_compact(report(doc)),
              R"({"elements":[],"missing":[],"runtime":"0:00","shots":0,"sunPlans":0,"unlinkedShots":0,"vembas":0})");
  }
}

TEST(ProductionReport, WholeReport) {
  EXPECT_EQ(
      to_compact(
          report(R"({"nodes":[{"id":"a","title":"Open","body":"@Anna waits.","slug":"INT. X","images":["i.png"],)"
                 R"("duration":"1:05","sun":{}},{"id":"b","type":"vemba","title":"Next","x":400,"duration":"7"},)"
                 R"({"id":"c","type":"character","title":" Anna "},{"id":"l","type":"location","title":"Pier"},)"
                 R"({"id":"s","type":"shotlist","shots":[{"vembaId":"a"},{}]}],"edges":[{"from":"a","to":"b"}]})")),
      R"({"elements":[{"appearsIn":["1"],"kind":"character","longestGap":0,"pinned":null,"title":"Anna"},)"
      R"({"appearsIn":[],"kind":"location","longestGap":0,"pinned":false,"title":"Pier"}],)"
      R"j("missing":[{"vemba":"2 ('Next')","what":"empty body"},{"vemba":"2 ('Next')","what":"no reference image"},)j"
      R"j({"vemba":"2 ('Next')","what":"no slug line"}],)j"
      R"("runtime":"1:12","shots":2,"sunPlans":1,"unlinkedShots":1,"vembas":2})");
}

// Story cards a1..a4 chained in that order (numbered 1 to 4) with the given
// bodies, then the character Anna and whatever the case adds.
std::string chain(const std::array<const char*, 4>& bodies, std::string_view extra) {
  std::string nodes;
  for (int i = 3; i >= 0; --i)  // reversed, so story order is not document order
    nodes += fmt::format(R"({{"id":"a{}","x":{},"body":"{}"}},)", i + 1, i * 100, bodies[i]);
  return R"({"edges":[{"from":"a1","to":"a2"},{"from":"a2","to":"a3"},{"from":"a3","to":"a4"}],"nodes":[)" + nodes +
         R"({"id":"c","type":"character","title":"Anna"})" + std::string(extra) + "]}";
}

TEST(ProductionReport, MentionsAlongTheStory) {
  struct Case {
    const char* name;
    std::array<const char*, 4> bodies;
    const char* cards;  // appended
    const char* appears;
    int gap;
  };
  const Case cases[] = {
      {"first and last", {"@anna", "", "", "with @ANNA"}, "", R"(["1","4"])", 2},
      {"neighbours only", {"", "@Anna", "@annabel", ""}, "", R"(["2","3"])", 0},
      {"a single mention", {"", "", "x@anna", ""}, "", R"(["3"])", 0},
      {"in the title", {"", "", "", ""}, R"(,{"id":"v","title":"@anna"})", R"(["B\u00B71"])", 0},
      {"no @, no hit; other card types are not scanned",
       {"Anna", "", "", ""},
       R"(,{"id":"n","type":"note","body":"@anna"},{"id":"p","type":"prop","body":"@anna"})",
       "[]",
       0},
      {"thoughts and unnumbered story cards come last by id and widen nothing",
       {"@anna", "@anna", "", ""},
       R"(,{"id":"t9","type":"thought","body":"@anna"},{"id":"alt","alt":true,"body":"@anna"},)"
       R"({"id":"t1","type":"thought","title":"@anna"},{"id":5,"type":"thought","body":"@anna"})",
       R"(["1","2","","alt","t1","t9"])",
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const json::value r = report(chain(c.bodies, c.cards));
    const json::value& anna = (*array_of(r, "elements"))[0];
    EXPECT_EQ(part(anna, "appearsIn"), to_compact(*parse_json(c.appears)));
    EXPECT_EQ(part(anna, "longestGap"), std::to_string(c.gap));
  }
}

TEST(ProductionReport, StoryOrderPutsPlainNumbersFirstNumerically) {
  // Eleven chained cards numbered 1..11, then side chains B·1 and C·1.
  std::string nodes, edges;
  for (int i = 1; i <= 11; ++i) {
    nodes += "{\"id\":\"m" + std::to_string(i) + "\",\"x\":" + std::to_string(i * 10) +
             (i == 2 || i == 10 ? ",\"body\":\"@kit\"" : "") + "},";
    if (i > 1) edges += "{\"from\":\"m" + std::to_string(i - 1) + "\",\"to\":\"m" + std::to_string(i) + "\"},";
  }
  const std::string doc = R"({"nodes":[)" + nodes +
                          R"({"id":"side2","x":900,"body":"@kit"},{"id":"side1","x":800,"title":"@kit"},)"
                          R"({"id":"k","type":"prop","title":"Kit"}],"edges":[)" +
                          edges.substr(0, edges.size() - 1) + "]}";
  const json::value kit = (*array_of(report(doc), "elements"))[0];
  EXPECT_EQ(part(kit, "appearsIn"), "[\"2\",\"10\",\"B\u00B71\",\"C\u00B71\"]");
  EXPECT_EQ(part(kit, "longestGap"), "7");
  EXPECT_EQ(part(kit, "pinned"), "null");
}

TEST(ProductionReport, Elements) {
  const json::value r =
      report(R"({"nodes":[{"id":"v","body":"At the @old town gate"},)"
             R"({"id":"p1","type":"prop","title":"Lamp"},{"id":"l1","type":"location","title":"  Old Town ","geo":{}},)"
             R"({"id":"c1","type":"character","title":" \t"},{"id":"c2","type":"character","title":"Bo"},)"
             R"({"id":"c3","type":"character","title":"Bo"},{"id":"l2","type":"location","title":"Dock","geo":null},)"
             R"({"id":"c4","type":"Character","title":"Case"},{"id":"c5","type":"character"}]})");
  std::string titles;
  for (const json::value& e : *array_of(r, "elements"))
    titles += std::string(text_of(e, "kind")) + ":" + std::string(text_of(e, "title")) + ":" + part(e, "pinned") + ":" +
              part(e, "appearsIn") + " ";
  EXPECT_EQ(titles, R"(character:Bo:null:[] character:Bo:null:[] location:Old Town:true:["1"] )"
                    R"(location:Dock:false:[] prop:Lamp:null:[] )");
}

TEST(ProductionReport, MissingEntries) {
  const json::value r =
      report(R"({"nodes":[{"id":"a","title":"Opening","body":"  ","slug":""},)"
             R"({"title":"No id","body":"b","slug":"s","images":[0]},)"
             R"({"id":"alt","alt":true,"title":"Alt","body":"b","slug":"s","images":[]},)"
             R"({"id":"c","type":"note"},{"id":"d","title":7,"body":"b","images":"i.png","slug":" S "}]})");
  std::string missing;
  for (const json::value& m : *array_of(r, "missing"))
    missing += std::string(text_of(m, "vemba")) + " " + std::string(text_of(m, "what")) + "|";
  EXPECT_EQ(missing,
            "1 ('Opening') empty body|1 ('Opening') no reference image|1 ('Opening') no slug line|"
            "alt ('Alt') no reference image|B\u00B71 ('') no reference image|");
  EXPECT_EQ(part(r, "vembas"), "4");
}

TEST(ProductionReport, Runtime) {
  struct Case {
    std::vector<const char*> durations;  // JSON values, one story card each
    const char* runtime;
  };
  const Case cases[] = {
      {{R"("90")"}, "1:30"},
      {{R"("1:30")"}, "1:30"},
      {{R"("0:01:30")"}, "1:30"},
      {{R"("+90")"}, "1:30"},
      {{R"(" 1:30 ")"}, "1:30"},
      {{R"("1:30:")"}, "0:00"},
      {{R"("2: 00")"}, "0:00"},
      {{R"("-5")"}, "0:00"},
      {{R"("1.5")"}, "0:00"},
      {{R"("1:2:3:4")"}, "0:00"},
      {{R"("")"}, "0:00"},
      {{R"("+")"}, "0:00"},
      {{"90"}, "0:00"},
      {{R"("59")"}, "0:59"},
      {{R"("1:02:03")"}, "62:03"},
      {{R"("3725")", R"("10")"}, "62:15"},
      {{R"("95:07")", "null", R"("0:0:0")"}, "95:07"},
      // Past 64 bits: a card adds nothing, the total stops at the largest value.
      {{R"("18446744073709551616")", R"("5")"}, "0:05"},
      {{R"("5124095576030432:0:0")", R"("5")"}, "0:05"},
      {{R"("18446744073709551615")", R"("1")"}, "307445734561825860:15"},
  };
  for (const Case& c : cases) {
    std::string nodes;
    for (const char* d : c.durations) nodes += std::string(nodes.empty() ? "" : ",") + R"({"duration":)" + d + "}";
    SCOPED_TRACE(nodes);
    EXPECT_EQ(part(report(R"({"nodes":[)" + nodes + R"(,{"type":"note","duration":"60"}]})"), "runtime"),
              std::string("\"") + c.runtime + "\"");
  }
}

TEST(ProductionReport, ShotsAndSunPlans) {
  const json::value r =
      report(R"({"nodes":[{"type":"shotlist","shots":[{"vembaId":""},{"vembaId":null},{},5,{"vembaId":"x"}]},)"
             R"({"type":"shotlist","shots":{"a":{}}},{"type":"Shotlist","shots":[{}]},{"type":"shotlist","shots":[7]},)"
             R"({"sun":{}},{"sun":"x"},{"sun":[]},{"type":"note","sun":{}},{"alt":true,"sun":{"a":1}}]})");
  EXPECT_EQ(part(r, "shots"), "6");
  EXPECT_EQ(part(r, "unlinkedShots"), "4");
  EXPECT_EQ(part(r, "sunPlans"), "2");
  EXPECT_EQ(part(r, "vembas"), "4");
}

}  // namespace
}  // namespace vemba_core::project_io

#include "project_io/reports/reports.h"

#include <gtest/gtest.h>

namespace vemba_core::project_io {
namespace {

using Assets = std::vector<std::string>;

std::string fmt_problem(const json::value& p) {
  const json::object* o = p.if_object();
  EXPECT_TRUE(o && o->size() == 2) << to_compact(p);
  return std::string(text_of(p, "kind")) + ": " + std::string(text_of(p, "detail"));
}

/// Each problem as "kind: detail".
std::vector<std::string> problems_of(const json::value& result) {
  std::vector<std::string> out;
  if (const json::array* problems = array_of(result, "problems"))
    for (const json::value& p : *problems) out.push_back(fmt_problem(p));
  return out;
}

TEST(CheckProject, EmptyBoardIsSound) {
  const json::value doc = *parse_json(R"({"nodes":[],"edges":[],"groups":[],"images":[]})");
  EXPECT_EQ(to_compact(check_project(doc, {})),
            "{\"note\":\"orphanedAssets are files in assets/ that no card references \u2014 the app's Project info > "
            "Storage can move them to .trash.\",\"ok\":true,\"orphanedAssets\":[],\"problems\":[]}");
}

TEST(CheckProject, EachKindOfProblem) {
  struct Case {
    const char* name;
    const char* doc;
    Assets assets;
    std::vector<std::string> problems;
  };
  const Case cases[] = {
      {"edges: a group end is sound, non-text ends are not tested",
       R"({"nodes":[{"id":"n1"}],"groups":[{"id":"g1"}],"edges":[{"from":"n1","to":"g1"},{"from":5,"to":null},)"
       R"({"from":"n1","to":"n7"},{"from":"x","to":"n1"},{"to":"g1"}]})",
       {},
       {"dangling-edge: edge to points at missing 'n7'", "dangling-edge: edge from points at missing 'x'"}},
      {"groupId: null untested, the empty text tested",
       R"({"groups":[{"id":"g1"}],"nodes":[{"id":"n1","title":"A","groupId":null},{"id":"n2","title":"B",)"
       R"("groupId":""},{"id":3,"title":7,"groupId":"g9"},{"id":"n4","groupId":"g1"}]})",
       {},
       {"dangling-group: node n2 ('B') carries groupId '' which does not exist",
        "dangling-group: node ? ('') carries groupId 'g9' which does not exist"}},
      {"groupId: a group may have the empty id",
       R"({"groups":[{"id":""}],"nodes":[{"id":"n2","groupId":""}]})",
       {},
       {}},
      {"node images: data: exempt, web addresses and paths are not",
       R"({"nodes":[{"id":"n1","title":"T","images":["data:xx","hero.jpg","https://x/a.png","assets/hero.jpg",7,)"
       R"("Hero.jpg"]}]})",
       {"hero.jpg"},
       {"missing-assets: node n1 ('T') references image 'https://x/a.png' which is not in assets/",
        "missing-assets: node n1 ('T') references image 'assets/hero.jpg' which is not in assets/",
        "missing-assets: node n1 ('T') references image 'Hero.jpg' which is not in assets/"}},
      {"sun plans on any card type",
       R"({"nodes":[{"id":"n1","title":"Dawn","sun":{"locationId":"L1"}},)"
       R"({"id":"L1","type":"location","geo":{}},)"
       R"({"id":"n2","sun":{"locationId":"L2"}},{"id":"L2","type":"location","title":"Pier","geo":null},)"
       R"({"id":"n3","type":"note","title":"N","sun":{"locationId":"L3"}},{"id":"L3","title":5,"geo":[]},)"
       R"({"id":"n4","title":"Dusk","sun":{"locationId":"L9"}},{"id":"n5","sun":"L1"},)"
       R"({"id":"n6","sun":{"locationId":5}},{"id":"n7","title":"","sun":{"locationId":"L4"}},)"
       R"({"id":"L4","title":"","geo":{"lat":1}},{"id":"L4","title":"Second"}]})",
       {},
       {"unpinned-sun: vemba n2 ('') sun-plans against 'Pier' which has no map pin",
        "unpinned-sun: vemba n3 ('N') sun-plans against 'L3' which has no map pin",
        "dangling-sun: vemba n4 ('Dusk') sun-plans against missing location 'L9'"}},
      {"a card may sun-plan against itself",
       R"({"nodes":[{"id":"n1","title":"Here","sun":{"locationId":"n1"}}]})",
       {},
       {"unpinned-sun: vemba n1 ('Here') sun-plans against 'Here' which has no map pin"}},
      {"set plans: links, underlay without exemptions, element links",
       R"({"nodes":[{"id":"n1"},{"id":"p1","type":"setplan","linkId":"n9","plan":{"bg":"data:image/png;base64,AA",)"
       R"("elements":[{"id":"e1","link":{"id":"n1"}},{"id":"e2","link":{"id":"zz"}},{"link":{"id":"yy"}},)"
       R"({"id":"e4","link":"n1"},{"id":"e5","link":{"id":3}}]}},)"
       R"({"id":"p2","type":"setplan","linkId":"n1","plan":{"bg":"under.png","elements":{}}},)"
       R"({"id":"p3","linkId":"n9","plan":{"bg":"x.png"}},{"id":"p4","type":"setplan","plan":"x"}]})",
       {"under.png"},
       {"dangling-plan-link: set plan p1 links to missing node 'n9'",
        "missing-assets: set plan p1 underlay 'data:image/png;base64,AA' is not in assets/",
        "dangling-element-link: set plan p1 element e2 links to missing node 'zz'",
        "dangling-element-link: set plan p1 element ? links to missing node 'yy'"}},
      {"shot lists: links, scenes of the own list only, refs, scene groups",
       R"({"groups":[{"id":"g1"}],"nodes":[{"id":"n1"},)"
       R"({"id":"L1","type":"shotlist","scenes":[{"id":"sc1","groupId":"g1"},{"id":"sc2","groupId":"gX"},)"
       R"({"groupId":null}],"shots":[{"id":"sh1","sceneId":"sc1","vembaId":"n1","setplanId":"n1"},)"
       R"({"id":"sh2","sceneId":"sc9","vembaId":"nX","setplanId":"pX","refs":["data:a","r.png","gone.png",4],)"
       R"("ref":"nofile.png"},{"sceneId":null,"vembaId":null},5,{"sceneId":"sc5"}]},)"
       R"({"id":"L2","type":"shotlist","scenes":[{"id":"sc9","groupId":""}],"shots":{}},)"
       R"({"id":"L3","type":"Shotlist","shots":[{"id":"sh8","vembaId":"nX"}]}]})",
       {"r.png"},
       {"dangling-shot-vemba: shot sh2 on list L1 links missing vemba 'nX'",
        "dangling-shot-plan: shot sh2 on list L1 links missing set plan 'pX'",
        "orphan-shot: shot sh2 on list L1 points at missing scene 'sc9'",
        "missing-assets: shot sh2 on list L1 references 'gone.png' which is not in assets/",
        "orphan-shot: shot ? on list L1 points at missing scene 'sc5'",
        "dangling-scene-group: scene sc2 on list L1 was born from missing group 'gX' \u2014 its heading no longer "
        "resolves",
        "dangling-scene-group: scene sc9 on list L2 was born from missing group '' \u2014 its heading no longer "
        "resolves"}},
      {"top-level media: data: and http exempt",
       R"({"images":[{"id":"i1","src":"https://x"},{"id":"i2","src":"data:a"},{"id":"i3","src":"a.png"},)"
       R"({"src":"b.png"}],"mediaShelf":[{"id":"m1","src":"httpfoo"},{"id":"m2","src":"c.png"},{"id":"m3"}],)"
       R"("documents":[{"id":"d1","src":"d.pdf"},{"id":"d2","src":7},"e.pdf"],"videoEmbeds":[{"src":"v.png"}]})",
       {"a.png"},
       {"missing-assets: images entry ? references 'b.png' which is not in assets/",
        "missing-assets: mediaShelf entry m2 references 'c.png' which is not in assets/",
        "missing-assets: documents entry d1 references 'd.pdf' which is not in assets/"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const json::value result = check_project(*parse_json(c.doc), c.assets);
    EXPECT_EQ(problems_of(result), c.problems);
    EXPECT_EQ(*member(result, "ok"), json::value(c.problems.empty()));
    EXPECT_EQ(to_compact(*member(result, "orphanedAssets")), "[]");
  }
}

TEST(CheckProject, ReportsInWalkOrderAndEveryOccurrence) {
  const json::value doc = *parse_json(
      R"({"images":[{"id":"i1","src":"m.png"}],"nodes":[{"id":"n1","title":"A","images":["x.png","x.png"]}],)"
      R"("edges":[{"from":"n1","to":"n2"}]})");
  EXPECT_EQ(problems_of(check_project(doc, {})),
            (std::vector<std::string>{
                "dangling-edge: edge to points at missing 'n2'",
                "missing-assets: node n1 ('A') references image 'x.png' which is not in assets/",
                "missing-assets: node n1 ('A') references image 'x.png' which is not in assets/",
                "missing-assets: images entry i1 references 'm.png' which is not in assets/",
            }));
}

TEST(CheckProject, OrphanedAssets) {
  // Referenced: node images, a set plan's bg, a shot's refs and ref, media
  // src, exempt values too. A card's own documents and exportImages are not.
  const json::value doc = *parse_json(
      R"({"nodes":[{"id":"n1","images":["img.png","data:x"],"documents":[{"src":"own.pdf"}],)"
      R"("exportImages":["exp.png"]},{"id":"p","type":"setplan","plan":{"bg":"bg.png"}},)"
      R"({"id":"s","type":"shotlist","shots":[{"refs":["refs.png"],"ref":"ref.png"}]}],)"
      R"("mediaShelf":[{"src":"https://web.png"},{"src":"shelf.png"}],"images":[{"src":"assets/hero.jpg"}]})");
  const Assets assets = {"hero.jpg", "hero.thumb.jpg", "img.png", "own.pdf",   ".DS_Store", "bg.png",
                         "refs.png", "ref.png",        "exp.png", "shelf.png", "a.thumb.",  "data:x"};
  const json::value result = check_project(doc, assets);
  EXPECT_EQ(to_compact(*member(result, "orphanedAssets")), R"(["hero.jpg","own.pdf",".DS_Store","exp.png"])");
  EXPECT_EQ(problems_of(result),
            (std::vector<std::string>{
                "missing-assets: images entry ? references 'assets/hero.jpg' which is not in assets/"}));
  EXPECT_EQ(*member(result, "ok"), json::value(false));

  // Orphans alone leave the board sound.
  const json::value clean = check_project(*parse_json(R"({"nodes":[]})"), {"hero.jpg", "hero.thumb.jpg"});
  EXPECT_EQ(to_compact(*member(clean, "orphanedAssets")), R"(["hero.jpg"])");
  EXPECT_EQ(*member(clean, "ok"), json::value(true));
}

TEST(CheckProject, NonArraysAreSkipped) {
  const json::value doc =
      *parse_json(R"({"nodes":{"id":"n1"},"edges":"x","groups":7,"images":null,"mediaShelf":{},"documents":[]})");
  const json::value result = check_project(doc, {"a"});
  EXPECT_TRUE(problems_of(result).empty());
  EXPECT_EQ(to_compact(*member(result, "orphanedAssets")), R"(["a"])");
}

}  // namespace
}  // namespace vemba_core::project_io

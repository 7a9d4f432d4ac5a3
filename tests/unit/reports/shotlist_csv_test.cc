#include "project_io/reports/reports.h"

#include <gtest/gtest.h>

namespace vemba_core::project_io {
namespace {

constexpr std::string_view kHeader =
    "List,Scene,Shot,Int/Ext,Shot type,Lens,Move,Duration,Subject,Description,Done,Take\n";
constexpr std::string_view kNoList = "no shot list on this board \u2014 build_shot_list makes one";

std::string csv(std::string_view doc) {
  auto out = shotlist_csv(*parse_json(doc));
  return out ? *out : "error: " + out.error();
}

TEST(CsvCell, QuotesOnlyCommaQuoteAndLineBreaks) {
  struct Case {
    std::string_view text, cell;
  };
  // A bare carriage return is quoted like a line feed: spreadsheets and
  // Python's csv module end a row at it, so unquoted it would split the row.
  const Case cases[] = {
      {"plain", "plain"},           {"", ""},
      {" padded ", " padded "},     {"a\"b", "\"a\"\"b\""},
      {"a,b", "\"a,b\""},           {"a\nb", "\"a\nb\""},
      {"cr\ronly", "\"cr\ronly\""}, {"\r", "\"\r\""},
      {"a\r\nb", "\"a\r\nb\""},     {"\"", "\"\"\"\""},
      {"é, ü", "\"é, ü\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(csv_cell(c.text), c.cell);
  }
  EXPECT_EQ(csv_cell("a\"b").size(), 6u);
}

TEST(PullFromLinked, OwnTextUnlessBlank) {
  const json::value card = *parse_json(R"({"slug":"INT. HALL","duration":"  ","shotType":7})");
  EXPECT_EQ(pull_from_linked(&card, "EXT. YARD", "slug"), "EXT. YARD");
  EXPECT_EQ(pull_from_linked(&card, " \t", "slug"), "INT. HALL");
  EXPECT_EQ(pull_from_linked(&card, "", "duration"), "  ");  // taken unchanged, even when blank
  EXPECT_EQ(pull_from_linked(&card, "", "shotType"), "");
  EXPECT_EQ(pull_from_linked(&card, "", "body"), "");
  EXPECT_EQ(pull_from_linked(nullptr, "  ", "slug"), "");
}

TEST(ShotlistCsv, WorkedExample) {
  EXPECT_EQ(csv(R"({"nodes":[{"id":"v1","slug":"INT. KITCHEN - DAY","shotType":"WS","duration":"0:05",)"
                R"("body":"She pours coffee, slowly."},{"id":"L","type":"shotlist","title":"Day 1",)"
                R"("scenes":[{"id":"sc1","heading":"INT. KITCHEN - DAY","name":""}],)"
                R"("shots":[{"id":"sh1","sceneId":"sc1","vembaId":"v1","lens":"35mm","intext":"","shot":"",)"
                R"("duration":"","description":"","done":true,"take":2},{"id":"sh2","sceneId":"sc7"}]}]})"),
            std::string(kHeader) +
                "Day 1,INT. KITCHEN - DAY,1,INT. KITCHEN - DAY,WS,35mm,,0:05,,\"She pours coffee, slowly.\",yes,2\n"
                "Day 1,Scene 2,2,,,,,,,,,\n");
}

TEST(ShotlistCsv, ListsAndTheNoListError) {
  struct Case {
    const char* name;
    const char* doc;
    std::string out;
  };
  const Case cases[] = {
      {"no nodes", R"({"nodes":[]})", "error: " + std::string(kNoList)},
      {"nodes not an array", R"({"nodes":{}})", "error: " + std::string(kNoList)},
      {"type compared exactly", R"({"nodes":[{"type":"Shotlist","shots":[{}]},{"type":"vemba"}]})",
       "error: " + std::string(kNoList)},
      {"a list without shots", R"({"nodes":[{"type":"shotlist","title":"Empty"},{"type":"shotlist","shots":7}]})",
       std::string(kHeader)},
      {"lists in document order, k restarts, titles",
       R"({"nodes":[{"type":"shotlist","title":"","shots":[{},{}]},{"type":"note"},)"
       R"({"type":"shotlist","title":5,"shots":[{},"x",{"id":"sh9"}]}]})",
       std::string(kHeader) + ",,1,,,,,,,,,\n,,2,,,,,,,,,\nShot list,,1,,,,,,,,,\nShot list,,2,,,,,,,,,\n"
                              "Shot list,,3,,,,,,,,,\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(csv(c.doc), c.out);
  }
}

TEST(ShotlistCsv, Cells) {
  // Each shot sits alone on list "L"; `card` is the card it may link.
  struct Case {
    const char* name;
    const char* shot;
    const char* row;  // after "L,"
  };
  const Case cases[] = {
      {"own duration kept", R"({"vembaId":"c","duration":"0:03"})", ",1,INT,CU,,,0:03,,\"Body, long\",,"},
      {"blank own values pulled", R"({"vembaId":"c","intext":" ","shot":"\t","description":""})",
       ",1,INT,CU,,,0:09,,\"Body, long\",,"},
      {"no card, blank own", R"({"vembaId":"zz","duration":"  ","description":" "})", ",1,,,,,,,,,"},
      {"a non-story card pulls too", R"({"vembaId":"note"})", ",1,EXT,MS,,,1:00,,Quiet.,,"},
      {"own values with quoting", R"({"lens":"50mm","move":"dolly, slow","subject":"Ann \"A\"","obs":"x"})",
       ",1,,,50mm,\"dolly, slow\",,\"Ann \"\"A\"\"\",,,"},
      {"vembaId not a text", R"({"vembaId":5})", ",1,,,,,,,,,"},
      {"done only when true", R"({"done":"yes"})", ",1,,,,,,,,,"},
      {"take float", R"({"take":3.0})", ",1,,,,,,,,,"},
      {"take negative", R"({"take":-1})", ",1,,,,,,,,,-1"},
      {"take text", R"({"take":"2"})", ",1,,,,,,,,,"},
      {"take past int64", R"({"take":9223372036854775808})", ",1,,,,,,,,,"},
      {"take int64 max", R"({"take":9223372036854775807})", ",1,,,,,,,,,9223372036854775807"},
      {"no sceneId", R"({"sceneId":null})", ",1,,,,,,,,,"},
      {"unknown scene", R"({"sceneId":"sc404"})", "Scene 1,1,,,,,,,,,"},
      {"heading first", R"({"sceneId":"sHead"})", " Kitchen ,1,,,,,,,,,"},
      {"then name", R"({"sceneId":"sName"})", "\"Hall, east\",1,,,,,,,,,"},
      {"then the group's name", R"({"sceneId":"sGroup"})", "Opening,1,,,,,,,,,"},
      {"a group name of spaces counts", R"({"sceneId":"sSpaces"})", "  ,1,,,,,,,,,"},
      {"an empty group name does not", R"({"sceneId":"sEmpty"})", "Scene 1,1,,,,,,,,,"},
      {"missing group", R"({"sceneId":"sLost"})", "Scene 1,1,,,,,,,,,"},
      {"blank scene", R"({"sceneId":"sBlank"})", "Scene 1,1,,,,,,,,,"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string doc =
        std::string(R"({"groups":[{"id":"g1","name":"Opening"},{"id":"g2","name":"  "},{"id":"g3","name":""},)"
                    R"({"id":"g1","name":"Second"}],"nodes":[)"
                    R"({"id":"c","slug":"INT","shotType":"CU","duration":"0:09","body":"Body, long"},)"
                    R"({"id":"note","type":"note","slug":"EXT","shotType":"MS","duration":"1:00","body":"Quiet."},)"
                    R"({"id":"c","slug":"SECOND"},{"id":"L","type":"shotlist","title":"L","scenes":[)"
                    R"({"id":"sHead","heading":" Kitchen ","name":"N","groupId":"g1"},)"
                    R"({"id":"sName","heading":"  ","name":"Hall, east","groupId":"g1"},)"
                    R"({"id":"sGroup","heading":"","name":" ","groupId":"g1"},{"id":"sSpaces","groupId":"g2"},)"
                    R"({"id":"sEmpty","groupId":"g3"},{"id":"sLost","groupId":"g9"},{"id":"sBlank"},)"
                    R"({"id":"sHead","heading":"Later"}],"shots":[)") +
        c.shot + "]}]}";
    EXPECT_EQ(csv(doc), std::string(kHeader) + "L," + c.row + "\n");
  }
}

}  // namespace
}  // namespace vemba_core::project_io

#include "project_io/reports/reports.h"

#include <gtest/gtest.h>

namespace vemba_core::project_io {
namespace {

std::string treatment(std::string_view doc) {
  auto out = export_text(*parse_json(doc), "markdown");
  return out ? *out : "error: " + out.error();
}

TEST(ExportText, FormatsAreComparedExactly) {
  const json::value doc = *parse_json(R"({"name":"P","nodes":[{"type":"shotlist","shots":[]}]})");
  for (const std::string_view format : {"Markdown", "pdf", "", "markdown ", "shotlist-CSV"}) {
    SCOPED_TRACE(format);
    EXPECT_EQ(export_text(doc, format).error(),
              "unknown format: " + std::string(format) + ". Use 'markdown' (the treatment) or 'shotlist-csv'.");
  }
  EXPECT_EQ(export_text(doc, "shotlist-csv").value_or("error"),
            "List,Scene,Shot,Int/Ext,Shot type,Lens,Move,Duration,Subject,Description,Done,Take\n");
  EXPECT_EQ(export_text(doc, "markdown").value_or("error"), "# P\n");  // the list has no id: never written
}

TEST(Treatment, WorkedExample) {
  EXPECT_EQ(treatment(R"({"name":"Harbour","context":" A quiet port. ",)"
                      R"("groups":[{"id":"g1","name":"Act One","x":0,"y":0,"w":2000,"h":1000}],)"
                      R"("nodes":[{"id":"n1","title":"Arrival","slug":"EXT. DOCK - NIGHT","body":"She waits.",)"
                      R"("x":10,"y":10},{"id":"n2","type":"note","body":"Fog.\nRain.","x":400,"y":10},)"
                      R"({"id":"n3","type":"character","title":"Mara","body":"Harbour master.","x":5000}]})"),
            "# Harbour\n\n_A quiet port._\n\n## Act One\n\n### 1. Arrival\n`EXT. DOCK - NIGHT`\n\nShe waits.\n"
            "\n> Fog.\n> Rain.\n\n\n**Mara** \u2014 Harbour master.\n");
}

TEST(Treatment, TitleAndContext) {
  struct Case {
    const char* doc;
    const char* out;
  };
  const Case cases[] = {
      {R"({"name":"Solo","nodes":[],"groups":[]})", "# Solo\n"},
      {R"({"name":"","context":"  \n\t"})", "# \n"},
      {R"({"name":7,"context":"\u2003Line one\nline two "})", "# Untitled\n\n_Line one\nline two_\n"},
      {R"({"context":5})", "# Untitled\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.doc);
    EXPECT_EQ(treatment(c.doc), c.out);
  }
}

TEST(Treatment, SectionsInXOrderAndHiddenGroupsLeaveTheirCardsOut) {
  // Cards own by groupId; g4's box holds the loose card's node center.
  EXPECT_EQ(treatment(R"({"name":"P","groups":[)"
                      R"({"id":"g1","name":"Late","x":500},{"id":"g2","name":"Early","x":-20},)"
                      R"({"id":"g3","name":"Zero A"},{"id":"g4","name":"Hidden","x":8900,"y":8900,"hidden":true},)"
                      R"({"id":"g5","name":"Zero B","x":0},{"id":"g6","name":"Off","x":9,"hiddenInExport":true}],)"
                      R"("nodes":[{"id":"a","type":"title","title":"In late","groupId":"g1"},)"
                      R"({"id":"b","type":"title","title":"In hidden","groupId":"g4"},)"
                      R"({"id":"c","type":"title","title":"In off","groupId":"g6"},)"
                      R"({"id":"d","type":"title","title":"Boxed","x":8800,"y":8850},)"
                      R"({"id":"e","type":"title","title":"Loose","x":9000}]})"),
            "# P\n\n## Early\n\n## Zero A\n\n## Zero B\n\n## Late\n\n## In late\n\n\n## Loose\n");
}

TEST(Treatment, MembersByOrderThenX) {
  EXPECT_EQ(treatment(R"({"name":"P","groups":[{"id":"g","name":"G","x":0,"y":0,"w":9000,"h":9000}],)"
                      R"("nodes":[{"id":"a","type":"title","title":"two","order":2,"x":0},)"
                      R"({"id":"b","type":"title","title":"none","x":-50},)"
                      R"({"id":"c","type":"title","title":"zero right","order":0,"x":300},)"
                      R"({"id":"d","type":"title","title":"zero left","order":0,"x":100},)"
                      R"({"id":"e","type":"title","title":"float order","order":1.0,"x":-60},)"
                      R"({"id":"f","type":"title","title":"zero left too","order":0,"x":100},)"
                      R"({"id":7,"type":"title","title":"no id","groupId":"g"}]})"),
            "# P\n\n## G\n\n## zero left\n\n## zero left too\n\n## zero right\n\n## two\n\n## float order\n"
            "\n## none\n");
}

TEST(Treatment, LooseCardsByXAfterOneBlankLine) {
  EXPECT_EQ(treatment(R"({"name":"P","nodes":[{"id":"g","type":"gallery","x":5}]})"), "# P\n\n");
  EXPECT_EQ(treatment(R"({"name":"P","nodes":[{"id":"b","type":"title","title":"B","x":200},)"
                      R"({"id":"a","type":"title","title":"A","x":-1},{"id":"c","type":"title","title":"C"}]})"),
            "# P\n\n\n## A\n\n## C\n\n## B\n");
}

TEST(Treatment, StoryCardsCarryTheirCanonicalNumbers) {
  EXPECT_EQ(treatment(R"({"name":"P","nodes":[{"id":"b","title":"Second","x":400},{"id":"a","title":"First"},)"
                      R"({"id":"c","title":"Alt","alt":true,"x":800},{"id":"d","title":"Side","x":900}],)"
                      R"("edges":[{"from":"a","to":"b"}]})"),
            "# P\n\n\n### 1. First\n\n### 2. Second\n\n### Alt\n\n### B\u00B71. Side\n");
}

}  // namespace
}  // namespace vemba_core::project_io

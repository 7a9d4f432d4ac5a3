#include "project_io/reports/treatment_card.h"

#include <gtest/gtest.h>

#include <string>

namespace vemba_core::project_io {
namespace {

TEST(TreatmentCard, EachCardType) {
  const StoryNumbers numbers = {{"v1", "3"}, {"v2", "A2\u00B71"}, {"", "9"}};
  struct Case {
    const char* node;
    const char* out;
  };
  const Case cases[] = {
      {R"({"id":"v1","title":"Arrival","slug":" EXT. DOCK ","body":"\n She waits. \n"})",
       "\n### 3. Arrival\n`EXT. DOCK`\n\nShe waits.\n"},
      {R"({"id":"v2","type":"vemba","title":" Spaced "})", "\n### A2\u00B71.  Spaced \n"},
      {R"({"id":"v9","title":"Alt","alt":true,"slug":"  ","body":" "})", "\n### Alt\n"},
      {R"({"id":5,"type":7,"title":"No text id"})", "\n### 9. No text id\n"},
      {R"({"id":"v1","title":"Gone","hidden":true})", ""},
      {R"({"id":"v1","title":"Gone","hiddenInExport":true})", ""},
      {R"({"id":"v1","title":"Shown","hidden":"yes","hiddenInExport":1})", "\n### 3. Shown\n"},
      {R"({"type":"note","body":"  "})", ""},
      {R"({"type":"note","body":" one "})", "\n> one\n"},
      {R"({"type":"thought","body":"a\nb\r\nc"})", "\n> a\n> b\r\n> c\n"},
      {R"({"type":"prop","title":"Lamp"})", "\n**Lamp** \u2014 \n"},
      {R"({"type":"location","title":" Pier ","body":" Wet. "})", "\n** Pier ** \u2014 Wet.\n"},
      {R"({"type":"character","title":"Mara","body":"Master.","hiddenInExport":true})", ""},
      {R"({"type":"title"})", "\n## \n"},
      {R"({"type":"gallery","title":"G","body":"b"})", ""},
      {R"({"type":"shotlist","title":"S"})", ""},
      {R"({"type":"","title":"Empty type"})", ""},
      {R"({"type":"Vemba","title":"Case"})", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.node);
    std::string out = "before";
    append_treatment_card(numbers, treatment_card(*parse_json(c.node)), out);
    EXPECT_EQ(out, std::string("before") + c.out);
  }
}

}  // namespace
}  // namespace vemba_core::project_io

#include "support/session.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vemba_test {
namespace {

const fs::path kExamples = VEMBA_EXAMPLES_DIR;

// The bundled library as scripts/run serves it: a copy, with the stand-in
// text tools on PATH.
class ExampleLibrary : public ::testing::Test {
 protected:
  ExampleLibrary() { fs::copy(kExamples / "library", s_.library(), fs::copy_options::recursive); }
  ToolReply call(std::string_view tool, json::object args = {}) {
    args["project"] = "Harbour Lights";
    return s_.call(tool, args);
  }
  Session s_;
};

TEST_F(ExampleLibrary, ListsItsProjectAndReadsBothDocuments) {
  EXPECT_EQ(
      s_.call("list_projects", json::object{}).text(),
      "[\n  {\n    \"name\": \"Harbour Lights\",\n    \"project\": \"Harbour Lights\",\n    \"vembas\": 3\n  }\n]");
  EXPECT_EQ(call("read_document", {{"docId", "d207"}}).text(),
            "Harbour Lights: a short film about a lighthouse keeper who stops the light for one night.\n");
  if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) GTEST_SKIP() << "pdftotext is not installed";
  // The card's PDF has no text of its own: only the extraction helpers read it.
  ToolReply pdf = call("read_document", {{"docId", "d208"}});
  EXPECT_FALSE(pdf.is_error());
  EXPECT_EQ(pdf.text(),
            "Harbour Lights - blocking notes\n"
            "1. The last climb: handheld behind Mara, the lamp room glowing above.\n"
            "2. The letter: close on her hands; the paper boat waits on the sill.\n"
            "3. Lights out: wide from the quay as the beam stops mid-sweep.");
}

TEST(ExamplePdf, IsWhatItsScriptWrites) {
  TempDir tmp;
  const fs::path made = tmp / "notes.pdf";
  const std::string command = "sh '" + (kExamples / "make-notes-pdf").string() + "' '" + made.string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string committed = slurp(kExamples / "library" / "Harbour Lights" / "assets" / "blocking-notes.pdf");
  EXPECT_FALSE(committed.empty());
  EXPECT_EQ(slurp(made), committed);
}

}  // namespace
}  // namespace vemba_test

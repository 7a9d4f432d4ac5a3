// check_project, production_report and export through the real binary: the
// values and texts they answer, their failures, and that nothing is written.

#include "e2e/board_fixture.h"

#include <algorithm>

namespace vemba_test {
namespace {

namespace io = vemba_core::project_io;

/// The JSON result must carry the value both as structuredContent and as
/// its pretty text; returns the value.
json::value json_result(const ToolReply& r) {
  EXPECT_FALSE(r.is_error()) << r.text();
  const json::value* structured = io::member(r.result, "structuredContent");
  if (!structured) {
    ADD_FAILURE() << "no structuredContent";
    return {};
  }
  EXPECT_EQ(r.text(), io::to_pretty(*structured));
  return *structured;
}

std::vector<std::string> sorted_texts(const json::value& array) {
  std::vector<std::string> out;
  if (const json::array* a = array.if_array())
    for (const json::value& v : *a) out.emplace_back(v.is_string() ? std::string(v.get_string()) : to_compact(v));
  std::sort(out.begin(), out.end());
  return out;
}

TEST_F(FilmTest, CheckProjectListsTheAssetsFolder) {
  const fs::path assets = folder_ / "assets";
  write_file(assets / "a.png", "png");
  write_file(assets / ".hidden", "x");
  write_file(assets / "orphan.jpg", "jpg");
  write_file(assets / "orphan.thumb.jpg", "jpg");
  write_file(assets / "bad\xff.png", "x");
  fs::create_directories(assets / "sub.png");
  fs::create_symlink(assets / "orphan.jpg", assets / "link.jpg");
  fs::create_symlink(assets / "gone.jpg", assets / "dead.jpg");
  const auto before = tree_of(folder_);

  const json::value result = json_result(edit("check_project"));
  EXPECT_EQ(part_of(result, {"ok"}), "true");
  EXPECT_EQ(part_of(result, {"problems"}), "[]");
  EXPECT_EQ(io::text_of(result, "note"),
            "orphanedAssets are files in assets/ that no card references \u2014 the app's Project info > Storage can "
            "move them to .trash.");
  EXPECT_EQ(sorted_texts(*io::member(result, "orphanedAssets")),
            (std::vector<std::string>{".hidden", "bad\uFFFD.png", "link.jpg", "orphan.jpg"}));
  EXPECT_EQ(tree_of(folder_), before);
  EXPECT_FALSE(fs::exists(signal_path()));
}

TEST_F(FilmTest, CheckProjectWithoutAnAssetsFolder) {
  fs::remove_all(folder_ / "assets");
  const json::value result = json_result(edit("check_project"));
  EXPECT_EQ(to_compact(*io::member(result, "problems")),
            R"([{"detail":"images entry i1 references 'a.png' which is not in assets/","kind":"missing-assets"}])");
  EXPECT_EQ(part_of(result, {"ok"}), "false");
  EXPECT_EQ(part_of(result, {"orphanedAssets"}), "[]");
  EXPECT_FALSE(fs::exists(folder_ / "assets"));
}

TEST(ReportTools, NeedAProject) {
  Session s;
  s.make_project("Broken", "{");
  for (const char* tool : {"check_project", "production_report", "export"}) {
    SCOPED_TRACE(tool);
    const ToolReply missing = s.call(tool, {{"project", 12}});
    EXPECT_TRUE(missing.is_error());
    EXPECT_EQ(missing.text(), "missing 'project'");
    const ToolReply broken = s.call(tool, {{"project", "Broken"}});
    EXPECT_TRUE(broken.is_error());
    EXPECT_TRUE(broken.text().starts_with("parse project: ")) << broken.text();
  }
}

}  // namespace
}  // namespace vemba_test

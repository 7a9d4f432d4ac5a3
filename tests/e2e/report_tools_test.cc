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

TEST_F(FilmTest, ExportDefaultsToTheTreatment) {
  const auto before = tree_of(folder_);
  // n3 -> n1 is the only story edge: n3 starts the main line.
  const std::string markdown = "# Film\n\n## Act\n\n### 2. One\n\n\n### 1. Three\n";
  for (const char* args : {R"({})", R"({"format":5})", R"({"format":"markdown"})"}) {
    SCOPED_TRACE(args);
    const ToolReply r = edit("export", args);
    EXPECT_FALSE(r.is_error());
    EXPECT_EQ(r.text(), markdown);
    EXPECT_EQ(io::member(r.result, "structuredContent"), nullptr);
  }
  EXPECT_EQ(tree_of(folder_), before);
  EXPECT_FALSE(fs::exists(signal_path()));
}

TEST_F(FilmTest, ExportFailures) {
  struct Case {
    const char* args;
    std::string error;
  };
  const Case cases[] = {
      {R"({"format":"Markdown"})", "unknown format: Markdown. Use 'markdown' (the treatment) or 'shotlist-csv'."},
      {R"({"format":""})", "unknown format: . Use 'markdown' (the treatment) or 'shotlist-csv'."},
      {R"({"format":"shotlist-csv"})", "no shot list on this board \u2014 build_shot_list makes one"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const ToolReply r = edit("export", c.args);
    EXPECT_TRUE(r.is_error());
    EXPECT_EQ(r.text(), c.error);
  }
  EXPECT_FALSE(fs::exists(signal_path()));
}

TEST(ReportTools, ExportsOfARicherBoard) {
  Session s;
  const fs::path data(VEMBA_TEST_DATA_DIR);
  s.make_project("light", slurp(data / "export_board.json"));
  const std::pair<const char*, const char*> formats[] = {{"markdown", "export_board.md"},
                                                         {"shotlist-csv", "export_board.csv"}};
  for (const auto& [format, golden] : formats) {
    SCOPED_TRACE(format);
    const ToolReply r = s.call("export", {{"project", "light"}, {"format", format}});
    EXPECT_FALSE(r.is_error());
    EXPECT_EQ(r.text(), slurp(data / golden));
  }
}

TEST_F(FilmTest, ProductionReport) {
  const auto before = tree_of(folder_);
  const json::value result = json_result(edit("production_report"));
  EXPECT_EQ(to_compact(result),
            R"j({"elements":[],"missing":[{"vemba":"2 ('One')","what":"empty body"},)j"
            R"j({"vemba":"2 ('One')","what":"no reference image"},{"vemba":"2 ('One')","what":"no slug line"},)j"
            R"j({"vemba":"1 ('Three')","what":"empty body"},{"vemba":"1 ('Three')","what":"no reference image"},)j"
            R"j({"vemba":"1 ('Three')","what":"no slug line"}],"runtime":"0:00","shots":0,"sunPlans":0,)j"
            R"j("unlinkedShots":0,"vembas":2})j");
  EXPECT_EQ(tree_of(folder_), before);
  EXPECT_FALSE(fs::exists(signal_path()));

  Session s;
  s.make_project("light", slurp(fs::path(VEMBA_TEST_DATA_DIR) / "export_board.json"));
  const json::value light = json_result(s.call("production_report", {{"project", "light"}}));
  EXPECT_EQ(part_of(light, {"runtime"}), R"("0:32")");
  EXPECT_EQ(part_of(light, {"shots"}), "4");
  EXPECT_EQ(part_of(light, {"unlinkedShots"}), "1");
  EXPECT_EQ(part_of(light, {"vembas"}), "5");
  EXPECT_EQ(part_of(light, {"elements"}),
            R"([{"appearsIn":[],"kind":"character","longestGap":0,"pinned":null,"title":"Ida"}])");
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

// A project folder may arrive holding links. Whatever they point at, nothing
// outside the library is read or written, and the reply says why; links that
// stay inside the library keep working.

#include "e2e/image_fixtures.h"
#include "e2e/project_fixture.h"

#include <gtest/gtest.h>

namespace vemba_test {
namespace {

constexpr std::string_view kState = R"({
  "name": "Film",
  "nodes": [{"id": "n1", "type": "vemba", "title": "A", "x": 0, "y": 0}],
  "documents": [{"id": "d1", "src": "notes.txt"}]
})";

const std::string kEscapes = "path escapes library: ";

class Containment : public FilmProject {
 protected:
  Containment() : FilmProject(kState), outside_(fs::canonical(elsewhere_.path())) {
    write_file(outside_ / "a.png", make_png(2, 2, 2, 8, {9, 9, 9}));
    write_file(outside_ / "notes.txt", "outside text");
    write_file(outside_ / "snap-1.json", R"({"name": "Outside"})");
  }
  /// Replaces `name` inside the project folder by a link to `target`.
  void link(const fs::path& name, const fs::path& target) {
    fs::remove_all(folder_ / name);
    fs::create_directories((folder_ / name).parent_path());
    fs::create_symlink(target, folder_ / name);
  }
  std::string project_json() const { return slurp(folder_ / "project.json"); }
  /// Every file below the outside folder with its content, to show nothing changed there.
  std::string outside_files() const {
    std::string all;
    for (const auto& entry : fs::recursive_directory_iterator(outside_))
      all += entry.path().string() + "=" + (entry.is_regular_file() ? slurp(entry.path()) : "dir") + "\n";
    return all;
  }

  TempDir elsewhere_;
  fs::path outside_;
};

TEST_F(Containment, HistoryFolderLeadingOutside) {
  link(".vemba-history", outside_);
  const std::string before = project_json(), outside = outside_files();
  ToolReply edit = call("move_node", {{"nodeId", "n1"}, {"x", 5}, {"y", 5}});
  EXPECT_TRUE(edit.is_error());
  EXPECT_EQ(edit.text(), "ensure history: " + kEscapes + outside_.string());
  EXPECT_EQ(call("list_history").text(), "[]");
  EXPECT_EQ(call("undo_last").text(), "no snapshots yet \u2014 nothing to undo");
  ToolReply restore = call("restore_snapshot", {{"snapshot", "snap-1.json"}});
  EXPECT_EQ(restore.text(), "read snapshot: " + kEscapes + (outside_ / "snap-1.json").string());
  EXPECT_EQ(project_json(), before);
  EXPECT_EQ(outside_files(), outside);
}

TEST_F(Containment, AssetsFolderLeadingOutside) {
  link("assets", outside_);
  const std::string outside = outside_files();
  struct Case {
    const char* tool;
    json::object args;
    std::string reply;
  };
  const Case cases[] = {
      {"write_asset",
       {{"filename", "new.png"}, {"bytesBase64", "aGk="}},
       "ensure assets: " + kEscapes + outside_.string()},
      {"view_media", {{"ref", "a.png"}}, "read a.png: " + kEscapes + (outside_ / "a.png").string()},
      {"read_document", {{"docId", "d1"}}, "read document d1: " + kEscapes + (outside_ / "notes.txt").string()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tool);
    ToolReply r = call(c.tool, c.args);
    EXPECT_TRUE(r.is_error());
    EXPECT_EQ(r.text(), c.reply);
  }
  // The folder reads as holding no files: the document's file is missing.
  const json::value check = parse(call("check_project").text());
  EXPECT_EQ(check.at("orphanedAssets"), json::array());
  EXPECT_EQ(check.at("problems").as_array().size(), 1u);
  EXPECT_EQ(outside_files(), outside);
}

TEST_F(Containment, SingleFilesLeadingOutside) {
  link("assets/a.png", outside_ / "a.png");
  link("assets/notes.txt", outside_ / "notes.txt");
  link(".vemba-history/snap-1.json", outside_ / "snap-1.json");
  EXPECT_EQ(call("view_media", {{"ref", "a.png"}}).text(), "read a.png: " + kEscapes + (outside_ / "a.png").string());
  EXPECT_EQ(call("read_document", {{"docId", "d1"}}).text(),
            "read document d1: " + kEscapes + (outside_ / "notes.txt").string());
  EXPECT_EQ(call("restore_snapshot", {{"snapshot", "snap-1.json"}}).text(),
            "read snapshot: " + kEscapes + (outside_ / "snap-1.json").string());
  EXPECT_EQ(parse(call("check_project").text()).at("orphanedAssets"), json::array());
}

TEST_F(Containment, StateDocumentLeadingOutside) {
  write_file(outside_ / "project.json", R"({"name": "Outside"})");
  link("project.json", outside_ / "project.json");
  EXPECT_EQ(call("get_outline").text(), "read project: " + kEscapes + (outside_ / "project.json").string());
  EXPECT_EQ(s_.call("list_projects", json::object()).text(), "[]");
}

TEST_F(Containment, ProjectFolderLeadingOutsideIsNotListed) {
  write_file(outside_ / "Away" / ".vemba", "1\n");
  write_file(outside_ / "Away" / "project.json", R"({"name": "Away"})");
  fs::create_directory_symlink(outside_ / "Away", s_.library() / "Away");
  const json::value listed = parse(s_.call("list_projects", json::object()).text());
  ASSERT_EQ(listed.as_array().size(), 1u);
  EXPECT_EQ(listed.at(0).at("project"), "Film");
}

TEST_F(Containment, LinksInsideTheLibraryKeepWorking) {
  const fs::path shared = fs::canonical(s_.library()) / "shared";
  write_file(shared / "assets" / "a.png", make_png(3, 1, 2, 8, {1, 2, 3}));
  write_file(shared / "assets" / "notes.txt", "inside text");
  write_file(shared / "project.json", std::string(kState));
  link("assets", shared / "assets");
  link("project.json", shared / "project.json");
  EXPECT_TRUE(reply_png(call("view_media", {{"ref", "a.png"}})));
  EXPECT_EQ(call("read_document", {{"docId", "d1"}}).text(), "inside text");
  EXPECT_FALSE(call("write_asset", {{"filename", "b.png"}, {"bytesBase64", "aGk="}}).is_error());
  EXPECT_EQ(slurp(shared / "assets" / "b.png"), "hi");
  EXPECT_FALSE(call("move_node", {{"nodeId", "n1"}, {"x", 5}, {"y", 5}}).is_error());
  EXPECT_EQ(list_names(folder_ / ".vemba-history").size(), 1u);
}

}  // namespace
}  // namespace vemba_test

// Every catalogued tool reaches its own handler: the editing tools through
// the write path, the others without it; and batch takes exactly the
// editing tools.

#include "e2e/board_fixture.h"

#include <fmt/format.h>

#include <set>
#include <string>
#include <vector>

namespace vemba_test {
namespace {

// The 29 tools of the editing road, written out here rather than read from
// the server, so that a row marked wrongly in its table shows.
constexpr std::string_view kEditingTools =
    " add_vemba edit_vemba connect_vembas add_node convert_node_type delete_node create_group edit_group"
    " delete_group add_node_to_group remove_node_from_group move_node reorder_node auto_layout_group"
    " edit_set_plan arrange_nodes align_nodes place_node fit_group set_project_meta build_shot_list"
    " edit_shot_list add_scene add_shot edit_shot add_video_embed add_plan_element edit_plan_element"
    " remove_plan_element ";

bool is_editing(const std::string& name) { return kEditingTools.find(" " + name + " ") != std::string_view::npos; }

// The tools past the write path that signal the app too.
const std::set<std::string> kSignallingTools = {"open_project", "restore_snapshot", "undo_last"};

class RoutingTest : public FilmTest {
 protected:
  std::vector<std::string> catalogued() {
    std::vector<std::string> names;
    const json::value reply = s_.request("tools/list", json::object());
    for (const json::value& tool : reply.at("result").at("tools").as_array())
      names.emplace_back(tool.at("name").as_string());
    return names;
  }
};

TEST_F(RoutingTest, EveryCataloguedToolIsServed) {
  const std::vector<std::string> names = catalogued();
  ASSERT_EQ(names.size(), 49u);
  std::size_t editing = 0;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    fs::remove(signal_path());
    const ToolReply r = edit(name);
    for (const char* unrouted : {"unknown tool", "unknown mutating tool", "is not available yet", "unroutable"})
      EXPECT_EQ(r.text().find(unrouted), std::string::npos) << r.text();
    if (is_editing(name)) {
      ++editing;
      // The write path ran: it always ends the signal at "done".
      expect_signal_done();
    } else if (!kSignallingTools.contains(name)) {
      EXPECT_FALSE(fs::exists(signal_path())) << signal_bytes();
    }
  }
  EXPECT_EQ(editing, 29u);
}

TEST_F(RoutingTest, BatchTakesExactlyTheEditingTools) {
  const std::vector<std::string> names = catalogued();
  ASSERT_EQ(names.size(), 49u);
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const ToolReply r = edit("batch", fmt::format(R"({{"ops":[{{"tool":"{}"}}]}})", name));
    const std::string refusal = fmt::format("Batch aborted at op 1 ({0}): unknown mutating tool: {0}.", name);
    if (is_editing(name))
      EXPECT_EQ(r.text().find("unknown mutating tool"), std::string::npos) << r.text();
    else
      EXPECT_TRUE(r.text().starts_with(refusal)) << r.text();
  }
}

}  // namespace
}  // namespace vemba_test

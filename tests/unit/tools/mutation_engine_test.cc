#include "vemba_connector/tools/mutation_engine.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace vemba_connector {
namespace {

using vemba_core::project_io::parse_json;
using vemba_core::project_io::to_compact;

constexpr std::string_view kBoard =
    R"({"nodes":[{"id":"n1","type":"vemba","x":0,"y":0}],"edges":[],"groups":[{"id":"g1"}],"bindings":[]})";

std::expected<std::string, std::string> apply(json::value& state, std::string_view tool, std::string_view args) {
  vemba_core::project_io::EditIndex index(state);
  return apply_mutation(state, "/", "/nonexistent", tool, *parse_json(args), index);
}

TEST(ApplyMutation, OnlyTheTwentyNineNamesAreMutatingTools) {
  for (const char* tool : {"", "Add_Vemba", "add_vemba ", "batch", "read_project", "write_asset", "undo_last"}) {
    SCOPED_TRACE(tool);
    json::value state = *parse_json(kBoard);
    EXPECT_EQ(apply(state, tool, "{}").error(), std::string("unknown mutating tool: ") + tool);
    EXPECT_EQ(to_compact(state), to_compact(*parse_json(kBoard)));
  }
}

TEST(ApplyMutation, ArgumentsThatAreNotAnObjectReadAsMissing) {
  json::value state = *parse_json(kBoard);
  EXPECT_EQ(apply(state, "move_node", R"(["n1"])").error(), "node not found: ");
  EXPECT_EQ(apply(state, "add_node", "null").error(), "unsupported node kind: ");
}

TEST(MissingImages, TestsEachStringUnderTheAssetsFolder) {
  vemba_test::TempDir project;
  vemba_test::write_file(project / "assets" / "a.png", "png");
  std::filesystem::create_directories(project / "assets" / "sub");
  json::value patch = *parse_json(R"({"images":["a.png","../assets/a.png","sub","gone",5,"gone"]})");
  // A NUL would end the path early at the system call; such a name is no file.
  patch.as_object()["images"].as_array().emplace_back(std::string_view("a.png\0x", 7));
  const std::vector<std::string> expected{"sub", "gone", "gone", std::string("a.png\0x", 7)};
  EXPECT_EQ(missing_images(project.path(), project.path(), patch), expected);
  EXPECT_TRUE(missing_images(project.path(), project.path(), *parse_json(R"({"images":"gone"})")).empty());
  EXPECT_TRUE(missing_images(project.path(), project.path(), *parse_json(R"(["gone"])")).empty());
}

TEST(MutationMessages, PatchKeys) {
  using messages::applied_and_ignored;
  EXPECT_EQ(applied_and_ignored({{"name", "role"}, {"size"}}), "Applied: name, role. IGNORED: size.");
  EXPECT_EQ(applied_and_ignored({{}, {}}), "Applied: (none).");
  EXPECT_EQ(applied_and_ignored({{}, {"callTime (must be 'HH:MM' or null)", "x"}}),
            "Applied: (none). IGNORED: callTime (must be 'HH:MM' or null), x.");
  const std::vector<std::string> keys{"x", "x"};
  EXPECT_EQ(messages::applied(keys), "Applied: x, x.");
}

TEST(MutationMessages, NumbersAreWrittenPlainly) {
  EXPECT_EQ(messages::placed(480, 120), "Placed node at (480, 120).");
  EXPECT_EQ(messages::placed(512.5, -40), "Placed node at (512.5, -40).");
  EXPECT_EQ(messages::placed(1e21, 0.1), "Placed node at (1000000000000000000000, 0.1).");
  EXPECT_EQ(messages::placed(1e23, 1152921504606846976.0),
            "Placed node at (100000000000000000000000, 1152921504606847000).");
  EXPECT_EQ(messages::fill(messages::kDeletedGroup, std::uint64_t{0}),
            "Deleted group (0 member node(s) also deleted).");
  EXPECT_EQ(messages::shot_list_built("n9", 1, 3),
            "Shot list n9: added 1 scene(s) and 3 linked shot(s). Linked shots pull description, lens, shot type and "
            "duration LIVE from their vembas \u2014 leave those fields empty unless overriding.");
}

TEST(MutationMessages, EchoesShowTheRecordOrNothing) {
  const json::value state =
      *parse_json(R"({"nodes":[{"id":"n1","type":"note","y":120.0}],"groups":[{"id":"g2","x":100.0,"order":null}]})");
  EXPECT_EQ(messages::converted(state, "n1", "note"),
            R"(Converted n1 to note. Node now: {"id":"n1","type":"note","y":120.0})");
  EXPECT_EQ(messages::converted(state, "n5", "note"), "Converted n5 to note. Node now: ");
  EXPECT_EQ(messages::created_group(state, "g2"), R"(Created group g2. Group: {"id":"g2","order":null,"x":100.0})");
  EXPECT_EQ(messages::created_group(state, "g3"), "Created group g3. Group: ");
  EXPECT_EQ(messages::edit_vemba({{}, {}}, {}, state, std::nullopt), "Applied: (none).");
  EXPECT_EQ(messages::edit_vemba({{}, {}}, {}, state, 0),
            R"(Applied: (none). Node now: {"id":"n1","type":"note","y":120.0})");
}

}  // namespace
}  // namespace vemba_connector

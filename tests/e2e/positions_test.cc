// get_positions through the real binary: the geometry of every card and
// group, with nothing written.

#include "e2e/board_fixture.h"

namespace vemba_test {
namespace {

namespace io = vemba_core::project_io;

TEST_F(FilmTest, GetPositionsReportsSizesAssignmentsAndOwners) {
  const std::string before = project_bytes();
  const ToolReply r = edit("get_positions");
  EXPECT_FALSE(r.is_error());
  const json::value* result = io::member(r.result, "structuredContent");
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(r.text(), io::to_pretty(*result));
  EXPECT_EQ(to_compact(*result),
            R"({"groups":[{"h":280.0,"id":"g7","name":"Act","w":400.0,"x":0.0,"y":0.0}],"nodes":[)"
            R"({"groupId":"g7","h":376.0,"id":"n1","measured":false,"ownerGroupId":"g7","title":"One",)"
            R"("type":"vemba","w":300.0,"x":100.0,"y":120.0},)"
            R"({"groupId":null,"h":184.0,"id":"n2","measured":false,"ownerGroupId":null,"title":"Two",)"
            R"("type":"note","w":220.0,"x":460.0,"y":120.0},)"
            R"({"groupId":null,"h":90.0,"id":"n3","measured":true,"ownerGroupId":null,"title":"Three",)"
            R"("type":"vemba","w":250.0,"x":820.5,"y":40.0}]})");
  EXPECT_EQ(project_bytes(), before);
  EXPECT_FALSE(fs::exists(history()));
  EXPECT_FALSE(fs::exists(signal_path()));
}

TEST_F(FilmTest, GetPositionsOwnsUnassignedCardsByPosition) {
  s_.make_project("loose", R"({"nodes":[{"id":"n1","x":10,"y":10,"groupId":"gone"}],
                               "groups":[{"id":"g1","x":0,"y":0}]})");
  const ToolReply r = s_.call("get_positions", parse(R"({"project":"loose"})"));
  const json::value* result = io::member(r.result, "structuredContent");
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(part_of(*result, {"nodes", "0", "groupId"}), R"("gone")");
  EXPECT_EQ(part_of(*result, {"nodes", "0", "ownerGroupId"}), R"("g1")");
  EXPECT_EQ(part_of(*result, {"groups", "0", "w"}), "0.0");
}

}  // namespace
}  // namespace vemba_test

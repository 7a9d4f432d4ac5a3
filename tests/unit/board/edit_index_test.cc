#include "project_io/board/board.h"

#include "support/fixture.h"

#include <gtest/gtest.h>

namespace vemba_core::project_io {
namespace {

using vemba_test::doc;

// A run of edits through one index answers what fresh scans of the document
// answer after every edit: what the edits told it, and after an edit that
// told nothing.
TEST(EditIndex, AnswersAsFreshScansThroughARunOfEdits) {
  json::value d = doc(R"({"nodes":[
      {"id":"n5","x":10},{"id":"n7","x":-3.5,"scenes":[{"id":"sc300"}]},{"id":"n5","x":900},{"x":"wide"}],
      "groups":[{"id":"g400"}],"edges":[]})");
  json::array& nodes = d.as_object()["nodes"].as_array();
  EditIndex index(d);
  const auto agrees = [&](const char* step) {
    SCOPED_TRACE(step);
    // Asked several times over, so the kept tables are built and used.
    for (int round = 0; round < 3; ++round) {
      EXPECT_EQ(index.next_uid(), next_uid(d));
      EXPECT_EQ(index.default_card_x(), default_card_x(d));
      for (const char* id : {"n5", "n7", "n201", "n401", "sc300", ""})
        EXPECT_EQ(index.find_node(id), find_node_index(d, id)) << id;
    }
  };
  agrees("as read");
  ASSERT_TRUE(add_vemba(d, "a", "", "n7", index));
  index.edit_done();
  agrees("a card added");
  // Appended nodes whose ids the index must take in: a nested id above
  // the rest, and a duplicate that the first match keeps losing to.
  nodes.push_back(json::object{{"id", "n5"}, {"x", 5000}, {"plan", json::object{{"elements", {{{"id", "e999"}}}}}}});
  index.node_appended();
  index.edit_done();
  agrees("nodes appended");
  nodes[0].as_object()["x"] = 99999;
  index.cards_moved();
  index.edit_done();
  agrees("a card moved");
  // Untold: an id renamed, a node removed, the largest id gone.
  nodes[1].as_object()["id"] = "n401";
  index.edit_done();
  agrees("an id renamed");
  nodes.erase(nodes.begin());
  nodes.pop_back();
  index.edit_done();
  agrees("nodes removed");
  d.as_object()["groups"].as_array().clear();
  index.edit_done();
  agrees("groups cleared");
}

}  // namespace
}  // namespace vemba_core::project_io

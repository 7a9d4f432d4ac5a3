#include "project_io/board/node_index.h"

#include "project_io/board/board.h"

#include <gtest/gtest.h>

namespace vemba_core::project_io {
namespace {

// The index answers what the plain lookup answers: the first node with the
// id, compared whole, through appends (a later duplicate never wins) and
// after removals and reorders that invalidate it.
TEST(NodeIndex, AnswersAsTheFirstMatchLookupThroughEdits) {
  json::value d = *parse_json(R"({"nodes":[{"id":"a"},{"id":5},{"id":"b"},{"id":"a"},{},{"id":"ab"}]})");
  json::array& nodes = d.as_object()["nodes"].as_array();
  NodeIndex index(d);
  const auto agrees = [&](const char* step) {
    SCOPED_TRACE(step);
    for (const char* id : {"a", "b", "ab", "5", "", "c", "A"}) EXPECT_EQ(index.find(id), find_node_index(d, id)) << id;
  };
  agrees("as read");
  nodes.push_back(json::object{{"id", "c"}});
  index.appended();
  nodes.push_back(json::object{{"id", "b"}});
  index.appended();
  agrees("after appends");
  nodes.erase(nodes.begin());
  index.invalidate();
  agrees("after a removal");
  std::swap(nodes[0], nodes[4]);
  index.invalidate();
  agrees("after a reorder");
  d.as_object()["nodes"] = json::object();
  index.invalidate();
  agrees("nodes not an array");
}

}  // namespace
}  // namespace vemba_core::project_io

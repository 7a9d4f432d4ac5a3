#include "project_io/board/board.h"

#include "support/fixture.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <random>
#include <string>

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
  index.ids_and_order_kept();
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

// A random run of edits that adds nodes (with scenes, shots and plan
// elements), removes them, edits their nested records in place, adds and
// removes groups, and reaches the top of the id range. The index is told of
// each node added and of nothing else; after each edit its next uid must be
// what a fresh scan gives.
TEST(EditIndex, NextUidAsAFreshScanThroughARandomRun) {
  std::mt19937 random(99);
  const auto id = [&] {
    switch (random() % 8) {
      case 0:
        return std::string("abc");
      case 1:
        return std::string("n18446744073709551615");
      case 2:
        return std::string("x99999999999999999999");
      default:
        return fmt::format("r{}", 190 + random() % 60);
    }
  };
  const auto node = [&] {
    json::object n{{"id", id()}};
    if (random() % 2) n["scenes"] = json::array{json::object{{"id", id()}}, json::object{{"id", 7}}};
    if (random() % 3 == 0) n["shots"] = json::array{json::object{{"id", id()}}};
    if (random() % 3 == 0) n["plan"] = json::object{{"elements", json::array{json::object{{"id", id()}}}}};
    return json::value(std::move(n));
  };
  for (int round = 0; round < 20; ++round) {
    json::value d = doc(R"({"nodes":[{"id":"n205","scenes":[{"id":"sc230"}]}],"groups":[],"images":[]})");
    EditIndex index(d);
    json::array& nodes = d.as_object()["nodes"].as_array();
    json::array& groups = d.as_object()["groups"].as_array();
    for (int step = 0; step < 60; ++step) {
      switch (random() % 6) {
        case 0:
        case 1:
          nodes.push_back(node());
          index.node_appended();
          break;
        case 2:
          if (!nodes.empty()) nodes.erase(nodes.begin() + static_cast<std::ptrdiff_t>(random() % nodes.size()));
          break;
        case 3:  // an edit of the node's nested records
          if (!nodes.empty())
            nodes[random() % nodes.size()].as_object()["scenes"] = json::array{json::object{{"id", id()}}};
          break;
        case 4:
          groups.push_back(json::object{{"id", id()}});
          break;
        case 5:
          if (!groups.empty()) groups.erase(groups.begin());
          break;
      }
      index.edit_done();
      // Asked twice, so that the counter is built after a plain scan and
      // then counts the nodes added next.
      for (int ask = 0; ask < 2; ++ask) ASSERT_EQ(index.next_uid(), next_uid(d)) << to_compact(d);
    }
  }
}

}  // namespace
}  // namespace vemba_core::project_io

#pragma once
// The first node of each id in a document's `nodes`, kept through a run of
// edits (the batch's EditIndex holds one).

#include "project_io/json/json.h"
#include "util/flat_map.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace vemba_core::project_io {

/// Positions in a document's `nodes` by id, for a run of edits that looks
/// nodes up again and again: the answers of find_node_index (the first node
/// with that text id) at the cost of one scan. An edit that appends a node
/// says so; one that removes, moves, converts or re-ids nodes, or replaces
/// `nodes`, calls invalidate(). The first lookups after a change scan as a
/// lone lookup would; only a run that goes on asking builds the table.
class NodeIndex {
 public:
  explicit NodeIndex(const json::value& document) : document_(document) {}

  std::optional<std::size_t> find(std::string_view id);
  /// The last node of `nodes` was just added.
  void appended();
  void invalidate() {
    fresh_ = false;
    scans_ = 0;
  }

 private:
  const json::value& document_;
  // Ids are copied: a short id lives inside its value, which moves when
  // `nodes` grows.
  vemba_util::FlatTextMap<std::size_t> first_;
  bool fresh_ = false;
  int scans_ = 0;  // plain scans since the last change
};

}  // namespace vemba_core::project_io

#include "project_io/board/node_index.h"

#include <string>

namespace vemba_core::project_io {

std::optional<std::size_t> NodeIndex::find(std::string_view id) {
  const json::array* nodes = array_of(document_, "nodes");
  if (!nodes) return std::nullopt;
  // A table costs a few scans to build: a call that asks once or twice (a
  // lone edit and its reply) is served by plain scans.
  constexpr int kPlainScans = 2;
  if (!fresh_ && scans_ < kPlainScans) {
    ++scans_;
    return find_by_id(*nodes, id);
  }
  if (!fresh_) {
    first_.clear();
    first_.reserve(nodes->size());
    for (std::size_t i = 0; i < nodes->size(); ++i)
      if (const auto node_id = id_of((*nodes)[i])) first_.try_emplace(std::string(*node_id), i);
    fresh_ = true;
  }
  const auto it = first_.find(id);
  return it == first_.end() ? std::nullopt : std::optional(it->second);
}

void NodeIndex::appended() {
  if (!fresh_) return;
  const json::array* nodes = array_of(document_, "nodes");
  if (!nodes || nodes->empty()) return invalidate();
  if (const auto id = id_of(nodes->back())) first_.try_emplace(std::string(*id), nodes->size() - 1);
}

}  // namespace vemba_core::project_io

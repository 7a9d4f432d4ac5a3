#include "project_io/board/board.h"

namespace vemba_core::project_io {
namespace {

// The fold default_card_x makes over the cards, one card at a time.
void take_x(std::optional<double>& rightmost, const json::value& node) {
  if (std::optional<double> x = number_of(node, "x")) rightmost = std::max(rightmost.value_or(*x), *x);
}

}  // namespace

std::uint64_t EditIndex::next_uid() {
  // The counter costs a few scans to build: an edit that asks once is served
  // by a plain scan.
  constexpr int kPlainScans = 1;
  if (!uids_ && uid_scans_ < kPlainScans) {
    ++uid_scans_;
    return project_io::next_uid(doc_);
  }
  if (!uids_) uids_.emplace(doc_);
  return uids_->next();
}

std::optional<std::size_t> EditIndex::find_node(std::string_view id) { return nodes_.find(id); }

double EditIndex::default_card_x() {
  if (!rightmost_known_) {
    rightmost_.reset();
    if (const json::array* nodes = array_of(doc_, "nodes"))
      for (const json::value& node : *nodes) take_x(rightmost_, node);
    rightmost_known_ = true;
  }
  return rightmost_ ? *rightmost_ + 360 : 120;
}

void EditIndex::node_appended() {
  told_ = true;
  const json::array* nodes = array_of(doc_, "nodes");
  if (!nodes || nodes->empty()) return invalidate();
  const json::value& node = nodes->back();
  if (uids_) uids_->count_node(node);
  nodes_.appended();
  if (rightmost_known_) take_x(rightmost_, node);
}

void EditIndex::ids_and_order_kept() {
  told_ = true;
  rightmost_known_ = false;
}

void EditIndex::edit_done() {
  if (!told_) invalidate();
  told_ = false;
}

void EditIndex::invalidate() {
  uids_.reset();
  uid_scans_ = 0;
  nodes_.invalidate();
  rightmost_known_ = false;
}

}  // namespace vemba_core::project_io

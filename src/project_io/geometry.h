#pragma once
// Card sizes (and, later, layout, placement, fitting and membership).

#include "project_io/json.h"

namespace vemba_core::project_io {

struct NodeSize {
  double w = 0;
  double h = 0;
  bool measured = false;  // the desktop app stamped renderedW/renderedH
};

/// The card's effective size. Any JSON value is accepted.
NodeSize node_size(const json::value& node);
/// A copy of the document whose every node carries `w`, `h` and `measured`.
json::value annotate_sizes(const json::value& doc);

}  // namespace vemba_core::project_io

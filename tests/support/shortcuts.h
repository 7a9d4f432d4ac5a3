#pragma once
// Short forms the tests use where the library offers only the general one:
// an edit with an index of its own, as a lone edit would have it; a double as
// the writer puts it; one card's membership of one group by position.

#include "project_io/board/board.h"
#include "project_io/geometry/geometry.h"
#include "project_io/json/json.h"

#include <expected>
#include <optional>
#include <string>
#include <string_view>

namespace vemba_test {

namespace io = vemba_core::project_io;

// The general forms too, so that one using-declaration brings in both.
using io::add_node;
using io::add_vemba;
using io::edit_vemba;
using io::move_node;

inline std::expected<std::string, std::string> add_vemba(boost::json::value& doc, std::string_view title,
                                                         std::string_view body, std::optional<std::string_view> after) {
  io::EditIndex index(doc);
  return add_vemba(doc, title, body, after, index);
}

inline std::expected<std::string, std::string> add_node(boost::json::value& doc, std::string_view kind,
                                                        std::string_view title, std::string_view body) {
  io::EditIndex index(doc);
  return add_node(doc, kind, title, body, index);
}

inline io::Status move_node(boost::json::value& doc, std::string_view id, double x, double y) {
  io::EditIndex index(doc);
  return move_node(doc, id, x, y, index);
}

inline std::expected<io::PatchResult, std::string> edit_vemba(boost::json::value& doc, std::string_view id,
                                                              const boost::json::value& patch) {
  io::EditIndex index(doc);
  return edit_vemba(doc, id, patch, index);
}

/// A double as the writer puts it in JSON: shortest round-trip digits, always
/// with a fraction or an exponent (120.0, 1e16, 1.5e-7); "null" when not finite.
inline std::string float_text(double x) { return io::to_compact(boost::json::value(x)); }

/// Whether the card's node center lies in the group's box.
inline bool node_in_group(const boost::json::value& node, const boost::json::value& group) {
  return io::box_holds(io::group_box(group), io::node_center(node));
}

}  // namespace vemba_test

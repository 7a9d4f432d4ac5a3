#pragma once
// The schematic board picture: cards, group boxes and edges as flat shapes
// in a PNG, so overlaps in the picture are overlaps on the board.

#include "project_io/geometry/geometry.h"
#include "project_io/json/json.h"

#include <expected>
#include <optional>
#include <string>
#include <string_view>

namespace vemba_core::project_io {

/// The PNG of a canvas rectangle, else of one group's box with a margin of
/// 24, else of the whole board with a margin of 40, scaled down so that its
/// long edge is at most 1200 pixels. Reads the document only.
std::expected<std::string, std::string> render_board(const json::value& doc, std::optional<std::string_view> group_id,
                                                     std::optional<Rect> rect);

}  // namespace vemba_core::project_io

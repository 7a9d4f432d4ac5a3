#pragma once
// The schematic board picture: cards, group boxes and edges as flat shapes
// in a PNG, so overlaps in the picture are overlaps on the board.

#include "project_io/geometry/geometry.h"
#include "project_io/json/json.h"
#include "util/util.h"

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>

namespace vemba_core::project_io {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
};

/// An 8-bit RGB picture of that size, white.
vemba_util::Picture blank_picture(std::uint32_t w, std::uint32_t h);
/// Sets one pixel of an 8-bit RGB picture; one outside it is ignored.
void set_pixel(vemba_util::Picture& picture, std::int64_t x, std::int64_t y, Rgb colour);
Rgb pixel_at(const vemba_util::Picture& picture, std::uint32_t x, std::uint32_t y);

/// Paints columns x0 to x1 - 1 and rows y0 to y1 - 1 with corners rounded by
/// `radius` (at most half the box), clipped to the picture.
void fill_round_rect(vemba_util::Picture& picture, std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1,
                     std::int64_t radius, Rgb colour);

/// The PNG of a canvas rectangle, else of one group's box with a margin of
/// 24, else of the whole board with a margin of 40, scaled down so that its
/// long edge is at most 1200 pixels. Reads the document only.
std::expected<std::string, std::string> render_board(const json::value& doc, std::optional<std::string_view> group_id,
                                                     std::optional<Rect> rect);

}  // namespace vemba_core::project_io

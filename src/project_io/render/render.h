#pragma once
// The schematic board picture: cards, group boxes and edges as flat shapes
// in a PNG, so overlaps in the picture are overlaps on the board.

#include "project_io/geometry/geometry.h"
#include "project_io/json/json.h"

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vemba_core::project_io {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
};

/// An 8-bit RGB image: row-major, three bytes per pixel, white when made.
struct Picture {
  Picture(std::uint32_t w, std::uint32_t h);

  bool contains(std::int64_t x, std::int64_t y) const;
  /// Sets one pixel; one outside the picture is ignored.
  void set(std::int64_t x, std::int64_t y, Rgb colour);
  Rgb at(std::uint32_t x, std::uint32_t y) const;

  std::uint32_t width;
  std::uint32_t height;
  std::vector<std::uint8_t> rgb;
};

/// Paints columns x0 to x1 - 1 and rows y0 to y1 - 1 with corners rounded by
/// `radius` (at most half the box), clipped to the picture.
void fill_round_rect(Picture& picture, std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1,
                     std::int64_t radius, Rgb colour);

/// How hard the PNG encoder works: kSmall picks a filter per row and
/// compresses well (photos); kFast writes rows unfiltered at the fastest
/// compression, which suits flat drawings with long runs of one colour.
enum class PngEffort { kSmall, kFast };

/// PNG bytes of rows of samples in the PNG colour type and bit depth given
/// (16-bit samples in host order); the error is the encoder's own text.
std::expected<std::string, std::string> encode_png(std::uint32_t width, std::uint32_t height, std::uint8_t colour_type,
                                                   std::uint8_t bit_depth, std::span<const std::uint8_t> samples,
                                                   PngEffort effort = PngEffort::kSmall);

/// The PNG of a canvas rectangle, else of one group's box with a margin of
/// 24, else of the whole board with a margin of 40, scaled down so that its
/// long edge is at most 1200 pixels. Reads the document only.
std::expected<std::string, std::string> render_board(const json::value& doc, std::optional<std::string_view> group_id,
                                                     std::optional<Rect> rect);

}  // namespace vemba_core::project_io

#include "project_io/render/drawing.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace vemba_core::project_io {
namespace {

using vemba_util::Picture;

// The picture's rows, '#' for a pixel whose red is 0.
std::string painted(const Picture& p) {
  std::string rows;
  for (std::uint32_t y = 0; y < p.height; ++y) {
    for (std::uint32_t x = 0; x < p.width; ++x) rows += p.pixels[(std::size_t{y} * p.width + x) * 3] == 0 ? '#' : '.';
    rows += '\n';
  }
  return rows;
}

TEST(FillRoundRect, Shapes) {
  struct Case {
    const char* name;
    std::int64_t x0, y0, x1, y1, radius;
    const char* rows;
  };
  const Case cases[] = {
      {"square corners", 1, 1, 5, 4, 0, "......\n.####.\n.####.\n.####.\n......\n"},
      {"radius 1", 0, 0, 6, 5, 1, ".####.\n######\n######\n######\n.####.\n"},
      {"radius 2", 0, 0, 6, 5, 2, "..##..\n.####.\n######\n.####.\n..##..\n"},
      {"radius capped by the height", 0, 0, 6, 5, 9, "..##..\n.####.\n######\n.####.\n..##..\n"},
      {"clipped", -2, -2, 3, 3, 0, "###...\n###...\n###...\n......\n......\n"},
      {"empty box", 4, 1, 4, 4, 0, "......\n......\n......\n......\n......\n"},
      {"reversed box", 5, 1, 2, 4, 0, "......\n......\n......\n......\n......\n"},
      {"outside", 6, 0, 9, 5, 0, "......\n......\n......\n......\n......\n"},
      {"negative radius", 0, 0, 2, 2, -3, "##....\n##....\n......\n......\n......\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Picture p = blank_picture(6, 5);
    fill_round_rect(p, c.x0, c.y0, c.x1, c.y1, c.radius, Rgb{0, 0, 0});
    EXPECT_EQ(painted(p), c.rows);
  }
}

TEST(FillRoundRect, RadiusAtMostHalfTheBox) {
  auto shape = [](std::int64_t radius) {
    Picture p = blank_picture(20, 60);
    fill_round_rect(p, 0, 0, 20, 60, radius, Rgb{0, 0, 0});
    return painted(p);
  };
  EXPECT_EQ(shape(50), shape(10));
  EXPECT_NE(shape(10), shape(9));
  const std::string rows = shape(10);
  EXPECT_EQ(rows.substr(0, 21), "....................\n");  // dy = 10 leaves the top row empty
  EXPECT_EQ(rows.substr(10 * 21, 21), "####################\n");
}

TEST(FillRoundRect, SaturatedCoordinates) {
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min(),
                         kMax = std::numeric_limits<std::int64_t>::max();
  Picture p = blank_picture(3, 2);
  fill_round_rect(p, kMin, kMin, kMax, kMax, kMax, Rgb{0, 0, 0});
  EXPECT_EQ(painted(p), "###\n###\n");
  Picture q = blank_picture(3, 2);
  fill_round_rect(q, kMax, kMax, kMin, kMin, kMax, Rgb{0, 0, 0});
  EXPECT_EQ(painted(q), "...\n...\n");
}

}  // namespace
}  // namespace vemba_core::project_io

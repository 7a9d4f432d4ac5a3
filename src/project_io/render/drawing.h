#pragma once
// The shapes the board picture is drawn with, on an 8-bit RGB picture of
// util's: pixels and rounded boxes, clipped to the picture, in pixel
// coordinates whose arithmetic saturates instead of overflowing. All inline:
// a picture is drawn a pixel and a box at a time, one or two boxes a card.

#include "util/image_codec.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace vemba_core::project_io {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
};

using Pixel = std::int64_t;
/// Pixel arithmetic near the saturated ends must not overflow.
__extension__ typedef __int128 Wide;

/// `v` clamped to the range of a Pixel.
inline Pixel saturated(Wide v) {
  return static_cast<Pixel>(std::clamp<Wide>(v, std::numeric_limits<Pixel>::min(), std::numeric_limits<Pixel>::max()));
}

/// An 8-bit RGB picture of that size, white.
inline vemba_util::Picture blank_picture(std::uint32_t w, std::uint32_t h) {
  return vemba_util::Picture{w, h, 3, 8, std::vector<std::uint8_t>(std::size_t{w} * h * 3, 255)};
}

/// Sets one pixel of an 8-bit RGB picture; one outside it is ignored.
inline void set_pixel(vemba_util::Picture& picture, Pixel x, Pixel y, Rgb colour) {
  if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) return;
  std::uint8_t* p = &picture.pixels[(static_cast<std::size_t>(y) * picture.width + static_cast<std::size_t>(x)) * 3];
  p[0] = colour.r;
  p[1] = colour.g;
  p[2] = colour.b;
}

/// The largest k with k * k <= n, for n >= 0.
inline Wide isqrt(Wide n) {
  Wide k = static_cast<Wide>(std::sqrt(static_cast<double>(n)));
  while (k > 0 && k * k > n) --k;
  while ((k + 1) * (k + 1) <= n) ++k;
  return k;
}

/// Paints columns x0 to x1 - 1 and rows y0 to y1 - 1 with corners rounded by
/// `radius` (at most half the box), clipped to the picture.
// A pixel (x, y) is painted when dx² + dy² <= rr², dx and dy its distances
// into the corner squares (0 outside them). Along a row that is one span:
// the corners give up the columns with dx above isqrt(rr² - dy²).
inline void fill_round_rect(vemba_util::Picture& picture, Pixel x0, Pixel y0, Pixel x1, Pixel y1, Pixel radius,
                            Rgb colour) {
  const Pixel cx0 = std::max<Pixel>(x0, 0), cx1 = std::min<Pixel>(picture.width, x1);
  const Pixel cy0 = std::max<Pixel>(y0, 0), cy1 = std::min<Pixel>(picture.height, y1);
  if (cx0 >= cx1 || cy0 >= cy1) return;
  const Wide rr = std::max<Wide>(std::min({(Wide(x1) - x0) / 2, Wide(radius), (Wide(y1) - y0) / 2}), 0);
  for (Pixel y = cy0; y < cy1; ++y) {
    Wide dy = 0;
    if (y < Wide(y0) + rr)
      dy = Wide(y0) + rr - y;
    else if (y >= Wide(y1) - rr)
      dy = Wide(y) - (Wide(y1) - rr) + 1;
    const Wide reach = dy == 0 ? rr : isqrt(rr * rr - dy * dy);
    const Pixel from = std::max<Pixel>(cx0, saturated(Wide(x0) + rr - reach));
    const Pixel to = std::min<Pixel>(cx1, saturated(Wide(x1) - rr + reach));
    // The span lies inside the picture: write it without a test per pixel.
    std::uint8_t* p = picture.pixels.data() + (static_cast<std::size_t>(y) * picture.width) * 3;
    for (Pixel x = from; x < to; ++x) {
      std::uint8_t* px = p + static_cast<std::size_t>(x) * 3;
      px[0] = colour.r;
      px[1] = colour.g;
      px[2] = colour.b;
    }
  }
}

}  // namespace vemba_core::project_io

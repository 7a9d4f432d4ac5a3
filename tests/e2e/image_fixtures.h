#pragma once
// Small pictures made with the codec libraries, and a reader for the PNGs
// that view_media sends back.

#include "support/session.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vemba_test {

struct Rgb {
  std::uint8_t r, g, b;
};

/// A PNG whose every pixel holds `samples` (one value per channel of the
/// colour type; 16-bit values at depth 16). Palette pictures take RGB (and
/// an alpha in a tRNS chunk when `trns`); grey and RGB with `trns` name the
/// pixel's own value as transparent.
std::string make_png(std::uint32_t w, std::uint32_t h, std::uint8_t colour_type, std::uint8_t depth,
                     std::vector<std::uint16_t> samples, bool trns = false);
/// Signature and IHDR only, claiming the given size.
std::string png_header_only(std::uint32_t w, std::uint32_t h);
std::string make_jpeg(std::uint32_t w, std::uint32_t h, bool grey, Rgb colour);
/// One frame per colour; the first covers only the left half of the screen.
std::string make_gif(std::uint16_t w, std::uint16_t h, const std::vector<Rgb>& frames);
/// Lossless; with `alpha` below 255 the file carries an alpha channel.
std::string make_webp(std::uint32_t w, std::uint32_t h, Rgb colour, std::uint8_t alpha = 255);
std::string make_animated_webp(std::uint32_t w, std::uint32_t h, const std::vector<Rgb>& frames);

struct DecodedPng {
  std::uint32_t width = 0, height = 0;
  std::uint8_t colour_type = 0, depth = 0;
  std::vector<std::uint8_t> pixels;  // as stored, 16-bit samples in host order

  int channels() const;
  std::uint16_t sample(std::uint32_t x, std::uint32_t y, int c) const;
};

std::optional<DecodedPng> read_png(std::string_view bytes);
/// The picture of a view_media reply; none when the reply holds no image.
std::optional<DecodedPng> reply_png(const ToolReply& reply);

}  // namespace vemba_test

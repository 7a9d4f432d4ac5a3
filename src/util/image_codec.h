#pragma once
// Pictures: decoding PNG, JPEG, GIF and WebP from memory (the format told by
// the content), shrinking to a bound, PNG encoding in the picture's own pixel
// layout. The decoders are in image_decoders.cc and png.cc, the one libspng
// wrapper.

#include <cstddef>
#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

namespace vemba_util {

/// Largest picture decoded, in pixels; the header is checked before any
/// pixel memory is taken.
inline constexpr std::uint64_t kMaxDecodePixels = 100'000'000;

/// A picture decoded or drawn: rows top to bottom, samples interleaved.
/// 16-bit samples are stored in host byte order.
struct Picture {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint8_t channels = 0;  // 1 grey, 2 grey+alpha, 3 RGB, 4 RGBA
  std::uint8_t depth = 8;     // bits per sample: 8 or 16
  std::vector<std::uint8_t> pixels;

  std::size_t pixel_bytes() const { return std::size_t{channels} * (depth / 8); }
  std::size_t row_bytes() const { return std::size_t{width} * pixel_bytes(); }
};

struct Size {
  std::uint32_t width;
  std::uint32_t height;
  bool operator==(const Size&) const = default;
};

/// Decodes a PNG, JPEG, GIF (first frame) or WebP (first frame); the error
/// describes why the bytes are not a picture.
std::expected<Picture, std::string> decode_image(std::string_view bytes);

/// The size a picture is shown at: unchanged when both sides fit `max_px`,
/// else scaled by the smaller ratio, each side rounded (halves away from
/// zero) and at least 1. Never larger than the picture.
Size fit_size(Size picture, std::uint32_t max_px);

/// Area reduction to `target` (no side larger than the picture's): each
/// source pixel falls in exactly one target pixel, which takes the rounded
/// mean of its pixels, channel by channel.
Picture shrink(Picture picture, Size target);

/// How hard the PNG encoder works: kSmall picks a filter per row and
/// compresses well (photos); kFast writes rows unfiltered at the fastest
/// compression, which suits flat drawings with long runs of one colour.
enum class PngEffort { kSmall, kFast };

/// PNG bytes in the picture's own colour type and bit depth; the error is
/// the encoder's own text.
std::expected<std::string, std::string> encode_png(const Picture& picture, PngEffort effort = PngEffort::kSmall);

/// Fails for an empty picture or one over `kMaxDecodePixels`; the internal
/// check of every decoder.
std::expected<void, std::string> check_decode_size(std::uint64_t width, std::uint64_t height);

}  // namespace vemba_util

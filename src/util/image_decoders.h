#pragma once
// The decoders behind `decode_image`.

#include "util/image_codec.h"

namespace vemba_util {

/// In the PNG's own layout: low grey depths widen to 8 bits, a palette
/// becomes RGB, and a tRNS chunk becomes an alpha channel.
std::expected<Picture, std::string> decode_png(std::string_view bytes);

/// Grey JPEGs stay grey; colour (CMYK included) becomes 8-bit RGB.
std::expected<Picture, std::string> decode_jpeg(std::string_view bytes);
/// The first frame on the logical screen, 8-bit RGBA.
std::expected<Picture, std::string> decode_gif(std::string_view bytes);
/// 8-bit RGB, or RGBA when the file has alpha; an animation gives its first
/// frame.
std::expected<Picture, std::string> decode_webp(std::string_view bytes);

}  // namespace vemba_util

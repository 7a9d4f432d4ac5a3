#pragma once
// The JPEG, GIF and WebP decoders behind `decode_image`.

#include "util/util.h"

namespace vemba_connector {

/// Grey JPEGs stay grey; colour (CMYK included) becomes 8-bit RGB.
std::expected<Picture, std::string> decode_jpeg(std::string_view bytes);
/// The first frame on the logical screen, 8-bit RGBA.
std::expected<Picture, std::string> decode_gif(std::string_view bytes);
/// 8-bit RGB, or RGBA when the file has alpha; an animation gives its first
/// frame.
std::expected<Picture, std::string> decode_webp(std::string_view bytes);

}  // namespace vemba_connector

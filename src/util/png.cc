// The one wrapper of libspng: PNG decoding for decode_image and encoding
// for every picture we hand out.

#include "util/image_decoders.h"

#include <spng.h>

#include <cstdlib>
#include <memory>

namespace vemba_util {
namespace {

// Ancillary chunks (text, profiles) are kept in memory while decoding.
constexpr std::size_t kPngChunkCacheLimit = 64u << 20;
constexpr std::size_t kPngChunkLimit = 0x7FFFFFFF;

using SpngContext = std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)>;

std::unexpected<std::string> spng_failure(int err) { return std::unexpected(std::string(spng_strerror(err))); }

// What spng is asked for to keep the PNG's own layout (see decode_png).
struct PngLayout {
  int format;
  int flags;
  std::uint8_t channels;
  std::uint8_t depth;
};

PngLayout png_layout(const spng_ihdr& ihdr, bool has_trns) {
  const std::uint8_t depth = ihdr.bit_depth == 16 ? 16 : 8;
  switch (ihdr.color_type) {
    case SPNG_COLOR_TYPE_GRAYSCALE:
      if (has_trns) return {depth == 16 ? SPNG_FMT_GA16 : SPNG_FMT_GA8, SPNG_DECODE_TRNS, 2, depth};
      return {depth == 16 ? SPNG_FMT_PNG : SPNG_FMT_G8, 0, 1, depth};
    case SPNG_COLOR_TYPE_TRUECOLOR:
      if (has_trns) return {depth == 16 ? SPNG_FMT_RGBA16 : SPNG_FMT_RGBA8, SPNG_DECODE_TRNS, 4, depth};
      return {SPNG_FMT_PNG, 0, 3, depth};
    case SPNG_COLOR_TYPE_INDEXED:
      if (has_trns) return {SPNG_FMT_RGBA8, SPNG_DECODE_TRNS, 4, 8};
      return {SPNG_FMT_RGB8, 0, 3, 8};
    case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA:
      return {SPNG_FMT_PNG, 0, 2, depth};
    default:
      return {SPNG_FMT_PNG, 0, 4, depth};
  }
}

std::uint8_t png_colour_type(std::uint8_t channels) {
  switch (channels) {
    case 1:
      return SPNG_COLOR_TYPE_GRAYSCALE;
    case 2:
      return SPNG_COLOR_TYPE_GRAYSCALE_ALPHA;
    case 3:
      return SPNG_COLOR_TYPE_TRUECOLOR;
    default:
      return SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
  }
}

}  // namespace

std::expected<Picture, std::string> decode_png(std::string_view bytes) {
  SpngContext ctx(spng_ctx_new(0), spng_ctx_free);
  if (!ctx) return std::unexpected(std::string("out of memory"));
  spng_set_chunk_limits(ctx.get(), kPngChunkLimit, kPngChunkCacheLimit);
  if (int e = spng_set_png_buffer(ctx.get(), bytes.data(), bytes.size())) return spng_failure(e);
  spng_ihdr ihdr{};
  if (int e = spng_get_ihdr(ctx.get(), &ihdr)) return spng_failure(e);
  if (auto ok = check_decode_size(ihdr.width, ihdr.height); !ok) return std::unexpected(ok.error());
  spng_trns trns{};
  const PngLayout layout = png_layout(ihdr, spng_get_trns(ctx.get(), &trns) == 0);
  std::size_t size = 0;
  if (int e = spng_decoded_image_size(ctx.get(), layout.format, &size)) return spng_failure(e);
  Picture picture{ihdr.width, ihdr.height, layout.channels, layout.depth, {}};
  if (size != picture.row_bytes() * picture.height) return std::unexpected(std::string("unexpected PNG layout"));
  picture.pixels.resize(size);
  if (int e = spng_decode_image(ctx.get(), picture.pixels.data(), size, layout.format, layout.flags))
    return spng_failure(e);
  return picture;
}

std::expected<std::string, std::string> encode_png(const Picture& picture, PngEffort effort) {
  SpngContext ctx(spng_ctx_new(SPNG_CTX_ENCODER), spng_ctx_free);
  if (!ctx) return spng_failure(SPNG_EMEM);
  spng_ihdr ihdr{picture.width, picture.height, picture.depth, png_colour_type(picture.channels), 0, 0, 0};
  if (int err = spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1)) return spng_failure(err);
  if (effort == PngEffort::kFast) {
    // Row filters buy little on a few flat colours and cost most of the time.
    if (int err = spng_set_option(ctx.get(), SPNG_FILTER_CHOICE, SPNG_FILTER_CHOICE_NONE)) return spng_failure(err);
    if (int err = spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_LEVEL, 1)) return spng_failure(err);
  }
  if (int err = spng_set_ihdr(ctx.get(), &ihdr)) return spng_failure(err);
  const std::vector<std::uint8_t>& samples = picture.pixels;
  if (int err = spng_encode_image(ctx.get(), samples.data(), samples.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE))
    return spng_failure(err);
  std::size_t size = 0;
  int err = 0;
  std::unique_ptr<void, decltype(&std::free)> png(spng_get_png_buffer(ctx.get(), &size, &err), std::free);
  if (!png) return spng_failure(err ? err : SPNG_EMEM);
  return std::string(static_cast<const char*>(png.get()), size);
}

}  // namespace vemba_util

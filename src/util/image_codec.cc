#include "util/util.h"

#include "project_io/render/render.h"
#include "util/image_decoders.h"

#include <spng.h>

#include <fmt/format.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace vemba_connector {
namespace {

// Ancillary chunks (text, profiles) are kept in memory while decoding.
constexpr std::size_t kPngChunkCacheLimit = 64u << 20;
constexpr std::size_t kPngChunkLimit = 0x7FFFFFFF;

using SpngContext = std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)>;

std::unexpected<std::string> spng_failure(int err) { return std::unexpected(std::string(spng_strerror(err))); }

enum class Format { kPng, kJpeg, kGif, kWebp, kUnknown };

Format sniff(std::string_view b) {
  if (b.starts_with("\x89PNG\r\n\x1a\n")) return Format::kPng;
  if (b.starts_with("\xFF\xD8\xFF")) return Format::kJpeg;
  if (b.starts_with("GIF87a") || b.starts_with("GIF89a")) return Format::kGif;
  if (b.size() >= 12 && b.starts_with("RIFF") && b.substr(8, 4) == "WEBP") return Format::kWebp;
  return Format::kUnknown;
}

// The output layout that keeps the PNG's own: low grey depths widen to 8
// bits, a palette becomes RGB, and a tRNS chunk becomes an alpha channel.
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

template <class Sample>
Sample sample_at(const std::uint8_t* p) {
  Sample s;
  std::memcpy(&s, p, sizeof s);
  return s;
}

template <class Sample>
void reduce(const Picture& src, Picture& dst) {
  const std::size_t channels = src.channels;
  // Source column x falls in target column column_of[x].
  std::vector<std::uint32_t> column_of(src.width);
  std::vector<std::uint64_t> column_span(dst.width);
  for (std::uint64_t tx = 0; tx < dst.width; ++tx) {
    const std::uint64_t left = tx * src.width / dst.width, right = (tx + 1) * src.width / dst.width;
    for (std::uint64_t x = left; x < right; ++x) column_of[x] = static_cast<std::uint32_t>(tx);
    column_span[tx] = right - left;
  }
  std::vector<std::uint64_t> sums(std::size_t{dst.width} * channels);
  auto* out = dst.pixels.data();
  for (std::uint64_t ty = 0; ty < dst.height; ++ty) {
    const std::uint64_t top = ty * src.height / dst.height, bottom = (ty + 1) * src.height / dst.height;
    std::fill(sums.begin(), sums.end(), 0);
    for (std::uint64_t y = top; y < bottom; ++y) {
      const std::uint8_t* row = src.pixels.data() + y * src.row_bytes();
      for (std::uint32_t x = 0; x < src.width; ++x)
        for (std::size_t c = 0; c < channels; ++c)
          sums[column_of[x] * channels + c] += sample_at<Sample>(row + (x * channels + c) * sizeof(Sample));
    }
    for (std::size_t i = 0; i < sums.size(); ++i) {
      const std::uint64_t count = column_span[i / channels] * (bottom - top);
      const auto mean = static_cast<Sample>((sums[i] + count / 2) / count);
      std::memcpy(out, &mean, sizeof mean);
      out += sizeof mean;
    }
  }
}

}  // namespace

std::expected<void, std::string> check_decode_size(std::uint64_t width, std::uint64_t height) {
  if (width == 0 || height == 0) return std::unexpected(fmt::format("image size {}x{} has no pixels", width, height));
  if (width * height > kMaxDecodePixels)
    return std::unexpected(
        fmt::format("image size {}x{} is over the limit of {} pixels", width, height, kMaxDecodePixels));
  return {};
}

std::expected<Picture, std::string> decode_image(std::string_view bytes) {
  switch (sniff(bytes)) {
    case Format::kPng:
      return decode_png(bytes);
    case Format::kJpeg:
      return decode_jpeg(bytes);
    case Format::kGif:
      return decode_gif(bytes);
    case Format::kWebp:
      return decode_webp(bytes);
    case Format::kUnknown:
      break;
  }
  return std::unexpected(std::string("the image format could not be determined"));
}

Size fit_size(Size picture, std::uint32_t max_px) {
  if (picture.width <= max_px && picture.height <= max_px) return picture;
  const double ratio =
      std::min(static_cast<double>(max_px) / picture.width, static_cast<double>(max_px) / picture.height);
  auto side = [ratio](std::uint32_t n) {
    const double scaled = std::round(n * ratio);
    return static_cast<std::uint32_t>(std::clamp(scaled, 1.0, static_cast<double>(n)));
  };
  return {side(picture.width), side(picture.height)};
}

Picture shrink(Picture picture, Size target) {
  if (target == Size{picture.width, picture.height}) return picture;
  Picture out{target.width, target.height, picture.channels, picture.depth, {}};
  out.pixels.resize(out.row_bytes() * out.height);
  if (picture.depth == 16)
    reduce<std::uint16_t>(picture, out);
  else
    reduce<std::uint8_t>(picture, out);
  return out;
}

std::expected<std::string, std::string> encode_png(const Picture& picture) {
  return vemba_core::project_io::encode_png(picture.width, picture.height, png_colour_type(picture.channels),
                                            picture.depth, picture.pixels);
}

}  // namespace vemba_connector

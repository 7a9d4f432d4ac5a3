#include "util/image_codec.h"

#include "util/image_decoders.h"

#include <fmt/format.h>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace vemba_util {
namespace {

enum class Format { kPng, kJpeg, kGif, kWebp, kUnknown };

Format sniff(std::string_view b) {
  if (b.starts_with("\x89PNG\r\n\x1a\n")) return Format::kPng;
  if (b.starts_with("\xFF\xD8\xFF")) return Format::kJpeg;
  if (b.starts_with("GIF87a") || b.starts_with("GIF89a")) return Format::kGif;
  if (b.size() >= 12 && b.starts_with("RIFF") && b.substr(8, 4) == "WEBP") return Format::kWebp;
  return Format::kUnknown;
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

}  // namespace vemba_util

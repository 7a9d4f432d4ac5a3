#include "util/image_decoders.h"

#include <gif_lib.h>
#include <turbojpeg.h>
#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace vemba_util {
namespace {

std::unexpected<std::string> failure(std::string_view text) { return std::unexpected(std::string(text)); }

// ---- JPEG ----

using TjHandle = std::unique_ptr<void, decltype(&tjDestroy)>;

// libjpeg hands back Adobe CMYK as stored, inverted: C*K/255 is the red level.
void cmyk_to_rgb(Picture& picture) {
  std::uint8_t* px = picture.pixels.data();
  const std::size_t count = std::size_t{picture.width} * picture.height;
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned k = px[i * 4 + 3];
    for (std::size_t c = 0; c < 3; ++c) px[i * 3 + c] = static_cast<std::uint8_t>((px[i * 4 + c] * k + 127) / 255);
  }
  picture.channels = 3;
  picture.pixels.resize(count * 3);
}

// ---- GIF ----

struct GifSource {
  std::string_view bytes;
  std::size_t at = 0;
};

int read_gif_bytes(GifFileType* gif, GifByteType* out, int wanted) {
  auto* source = static_cast<GifSource*>(gif->UserData);
  const std::size_t n =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(wanted, 0)), source->bytes.size() - source->at);
  if (n == 0) return 0;
  std::memcpy(out, source->bytes.data() + source->at, n);
  source->at += n;
  return static_cast<int>(n);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int err = 0;
    DGifCloseFile(gif, &err);
  }
};

// giflib has no text for some codes (0 among them).
std::unexpected<std::string> gif_failure(int code) {
  const char* text = GifErrorString(code);
  return failure(text ? text : "damaged GIF data");
}
std::unexpected<std::string> gif_failure(const GifFileType* gif) { return gif_failure(gif->Error); }

// The transparent colour index of a graphic control block, or -1.
int transparent_index(const GifByteType* block) {
  if (!block || block[0] < 4 || !(block[1] & 0x01)) return -1;
  return block[4];
}

// Reads the frame whose descriptor was just read onto the RGBA canvas.
std::expected<void, std::string> draw_gif_frame(GifFileType* gif, int transparent, Picture& canvas) {
  const GifImageDesc& frame = gif->Image;
  const ColorMapObject* colours = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
  if (!colours) return failure("GIF frame has no colour table");
  if (frame.Width <= 0 || frame.Height <= 0) return failure("GIF frame has no pixels");
  // Every line of the frame is decoded, so its size bounds the work even
  // where it lies off the canvas.
  if (auto ok = check_decode_size(static_cast<std::uint32_t>(frame.Width), static_cast<std::uint32_t>(frame.Height));
      !ok)
    return std::unexpected(ok.error());
  std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
  static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
  const int passes = frame.Interlace ? 4 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    for (int y = frame.Interlace ? kStart[pass] : 0; y < frame.Height; y += frame.Interlace ? kStep[pass] : 1) {
      if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) return gif_failure(gif);
      const long cy = long{frame.Top} + y;
      if (cy < 0 || cy >= canvas.height) continue;
      for (int x = 0; x < frame.Width; ++x) {
        const long cx = long{frame.Left} + x;
        const int index = line[static_cast<std::size_t>(x)];
        if (cx < 0 || cx >= canvas.width || index == transparent || index >= colours->ColorCount) continue;
        std::uint8_t* px =
            canvas.pixels.data() + (static_cast<std::size_t>(cy) * canvas.width + static_cast<std::size_t>(cx)) * 4;
        const GifColorType& c = colours->Colors[index];
        px[0] = c.Red, px[1] = c.Green, px[2] = c.Blue, px[3] = 255;
      }
    }
  }
  return {};
}

// ---- WebP ----

std::string_view webp_status_text(VP8StatusCode status) {
  switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
      return "out of memory";
    case VP8_STATUS_INVALID_PARAM:
      return "invalid parameter";
    case VP8_STATUS_BITSTREAM_ERROR:
      return "WebP bitstream error";
    case VP8_STATUS_UNSUPPORTED_FEATURE:
      return "unsupported WebP feature";
    case VP8_STATUS_NOT_ENOUGH_DATA:
      return "WebP data is truncated";
    default:
      return "WebP decoding failed";
  }
}

std::expected<void, std::string> webp_first_frame(std::string_view bytes, Picture& picture) {
  WebPAnimDecoderOptions options;
  if (!WebPAnimDecoderOptionsInit(&options)) return failure("WebP decoder version mismatch");
  options.color_mode = MODE_RGBA;
  const WebPData data{reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
  std::unique_ptr<WebPAnimDecoder, decltype(&WebPAnimDecoderDelete)> decoder(WebPAnimDecoderNew(&data, &options),
                                                                             WebPAnimDecoderDelete);
  if (!decoder) return failure("WebP animation is damaged");
  WebPAnimInfo info;
  if (!WebPAnimDecoderGetInfo(decoder.get(), &info) || info.canvas_width != picture.width ||
      info.canvas_height != picture.height)
    return failure("WebP animation is damaged");
  std::uint8_t* frame = nullptr;
  int timestamp = 0;
  if (!WebPAnimDecoderGetNext(decoder.get(), &frame, &timestamp)) return failure("WebP animation is damaged");
  const std::size_t count = std::size_t{picture.width} * picture.height;
  for (std::size_t i = 0; i < count; ++i)
    std::memcpy(picture.pixels.data() + i * picture.channels, frame + i * 4, picture.channels);
  return {};
}

}  // namespace

std::expected<Picture, std::string> decode_jpeg(std::string_view bytes) {
  TjHandle handle(tjInitDecompress(), tjDestroy);
  if (!handle) return failure(tjGetErrorStr2(nullptr));
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  int width = 0, height = 0, subsampling = 0, colour_space = 0;
  if (tjDecompressHeader3(handle.get(), data, bytes.size(), &width, &height, &subsampling, &colour_space) != 0)
    return failure(tjGetErrorStr2(handle.get()));
  if (auto ok = check_decode_size(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)); !ok)
    return std::unexpected(ok.error());
  const bool grey = colour_space == TJCS_GRAY;
  const bool cmyk = colour_space == TJCS_CMYK || colour_space == TJCS_YCCK;
  const int format = grey ? TJPF_GRAY : cmyk ? TJPF_CMYK : TJPF_RGB;
  Picture picture{static_cast<std::uint32_t>(width),
                  static_cast<std::uint32_t>(height),
                  static_cast<std::uint8_t>(tjPixelSize[format]),
                  8,
                  {}};
  picture.pixels.resize(picture.row_bytes() * picture.height);
  // A warning means damaged or truncated data: refuse rather than show a
  // half-grey picture.
  if (tjDecompress2(handle.get(), data, bytes.size(), picture.pixels.data(), width, 0, height, format,
                    TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS) != 0)
    return failure(tjGetErrorStr2(handle.get()));
  if (cmyk) cmyk_to_rgb(picture);
  return picture;
}

std::expected<Picture, std::string> decode_gif(std::string_view bytes) {
  GifSource source{bytes};
  int err = 0;
  std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, read_gif_bytes, &err));
  if (!gif) return gif_failure(err);
  if (auto ok = check_decode_size(static_cast<std::uint32_t>(std::max(gif->SWidth, 0)),
                                  static_cast<std::uint32_t>(std::max(gif->SHeight, 0)));
      !ok)
    return std::unexpected(ok.error());
  Picture canvas{static_cast<std::uint32_t>(gif->SWidth), static_cast<std::uint32_t>(gif->SHeight), 4, 8, {}};
  canvas.pixels.assign(canvas.row_bytes() * canvas.height, 0);
  int transparent = -1;
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) return gif_failure(gif.get());
    if (type == TERMINATE_RECORD_TYPE) return failure("GIF holds no frame");
    if (type == IMAGE_DESC_RECORD_TYPE) {
      if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return gif_failure(gif.get());
      if (auto ok = draw_gif_frame(gif.get(), transparent, canvas); !ok) return std::unexpected(ok.error());
      return canvas;
    }
    if (type != EXTENSION_RECORD_TYPE) continue;
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) return gif_failure(gif.get());
    if (code == GRAPHICS_EXT_FUNC_CODE) transparent = transparent_index(block);
    while (block)
      if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) return gif_failure(gif.get());
  }
}

std::expected<Picture, std::string> decode_webp(std::string_view bytes) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  WebPBitstreamFeatures features;
  if (VP8StatusCode status = WebPGetFeatures(data, bytes.size(), &features); status != VP8_STATUS_OK)
    return failure(webp_status_text(status));
  if (auto ok = check_decode_size(static_cast<std::uint32_t>(std::max(features.width, 0)),
                                  static_cast<std::uint32_t>(std::max(features.height, 0)));
      !ok)
    return std::unexpected(ok.error());
  Picture picture{static_cast<std::uint32_t>(features.width),
                  static_cast<std::uint32_t>(features.height),
                  static_cast<std::uint8_t>(features.has_alpha ? 4 : 3),
                  8,
                  {}};
  picture.pixels.resize(picture.row_bytes() * picture.height);
  if (features.has_animation) {
    if (auto ok = webp_first_frame(bytes, picture); !ok) return std::unexpected(ok.error());
    return picture;
  }
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) return failure("WebP decoder version mismatch");
  config.output.colorspace = features.has_alpha ? MODE_RGBA : MODE_RGB;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = picture.pixels.data();
  config.output.u.RGBA.stride = static_cast<int>(picture.row_bytes());
  config.output.u.RGBA.size = picture.pixels.size();
  const VP8StatusCode status = WebPDecode(data, bytes.size(), &config);
  WebPFreeDecBuffer(&config.output);
  if (status != VP8_STATUS_OK) return failure(webp_status_text(status));
  return picture;
}

}  // namespace vemba_util

#include "e2e/image_fixtures.h"

#include <gif_lib.h>
#include <spng.h>
#include <turbojpeg.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <cstring>
#include <memory>

namespace vemba_test {
namespace {

void put_sample(std::string& out, std::uint16_t v, std::uint8_t depth) {
  if (depth == 16)
    out.append(reinterpret_cast<const char*>(&v), 2);
  else
    out.push_back(static_cast<char>(v));
}

std::uint32_t crc32(std::string_view bytes) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (unsigned char b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void put_be32(std::string& out, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<char>(v >> s));
}

int write_gif_bytes(GifFileType* gif, const GifByteType* bytes, int n) {
  static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(n));
  return n;
}

int base64_value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

std::string base64_decode(std::string_view text) {
  std::string out;
  std::uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    const int v = base64_value(c);
    if (v < 0) continue;
    bits = (bits << 6) | static_cast<std::uint32_t>(v);
    if ((count += 6) >= 8) {
      count -= 8;
      out.push_back(static_cast<char>(bits >> count));
    }
  }
  return out;
}

}  // namespace

std::string make_png(std::uint32_t w, std::uint32_t h, std::uint8_t colour_type, std::uint8_t depth,
                     std::vector<std::uint16_t> samples, bool trns) {
  std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)> ctx(spng_ctx_new(SPNG_CTX_ENCODER), spng_ctx_free);
  spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
  spng_ihdr ihdr{w, h, depth, colour_type, 0, 0, 0};
  spng_set_ihdr(ctx.get(), &ihdr);
  std::string pixels;
  if (colour_type == SPNG_COLOR_TYPE_INDEXED) {
    spng_plte plte{};
    plte.n_entries = 1;
    plte.entries[0] = {static_cast<std::uint8_t>(samples[0]), static_cast<std::uint8_t>(samples[1]),
                       static_cast<std::uint8_t>(samples[2]), 0};
    spng_set_plte(ctx.get(), &plte);
    pixels.assign(std::size_t{w} * h, '\0');
  } else if (depth < 8) {
    const char fill = static_cast<char>(samples[0] ? 0xFF : 0x00);
    pixels.assign((std::size_t{w} * depth + 7) / 8 * h, fill);
  } else {
    for (std::size_t i = 0; i < std::size_t{w} * h; ++i)
      for (std::uint16_t v : samples) put_sample(pixels, v, depth);
  }
  if (trns) {
    spng_trns t{};
    if (colour_type == SPNG_COLOR_TYPE_INDEXED) {
      t.n_type3_entries = 1;
      t.type3_alpha[0] = static_cast<std::uint8_t>(samples[3]);
    } else {
      t.gray = samples[0];
      t.red = samples[0], t.green = samples[1 % samples.size()], t.blue = samples[2 % samples.size()];
    }
    spng_set_trns(ctx.get(), &t);
  }
  spng_encode_image(ctx.get(), pixels.data(), pixels.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
  std::size_t size = 0;
  int err = 0;
  std::unique_ptr<void, decltype(&std::free)> buf(spng_get_png_buffer(ctx.get(), &size, &err), std::free);
  return buf ? std::string(static_cast<const char*>(buf.get()), size) : std::string();
}

std::string png_header_only(std::uint32_t w, std::uint32_t h) {
  std::string chunk = "IHDR";
  put_be32(chunk, w);
  put_be32(chunk, h);
  chunk += std::string("\x08\x02\x00\x00\x00", 5);
  std::string png = "\x89PNG\r\n\x1a\n";
  put_be32(png, 13);
  png += chunk;
  put_be32(png, crc32(chunk));
  return png;
}

std::string make_jpeg(std::uint32_t w, std::uint32_t h, bool grey, Rgb colour) {
  std::string pixels;
  for (std::size_t i = 0; i < std::size_t{w} * h; ++i) {
    if (grey) {
      pixels.push_back(static_cast<char>(colour.r));
    } else {
      pixels.push_back(static_cast<char>(colour.r));
      pixels.push_back(static_cast<char>(colour.g));
      pixels.push_back(static_cast<char>(colour.b));
    }
  }
  tjhandle tj = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  tjCompress2(tj, reinterpret_cast<const unsigned char*>(pixels.data()), static_cast<int>(w), 0, static_cast<int>(h),
              grey ? TJPF_GRAY : TJPF_RGB, &out, &size, grey ? TJSAMP_GRAY : TJSAMP_444, 95, 0);
  std::string jpeg(reinterpret_cast<const char*>(out), size);
  tjFree(out);
  tjDestroy(tj);
  return jpeg;
}

std::string make_gif(std::uint16_t w, std::uint16_t h, const std::vector<Rgb>& frames) {
  std::string out;
  int err = 0;
  GifFileType* gif = EGifOpen(&out, write_gif_bytes, &err);
  std::vector<GifColorType> colours(4, GifColorType{0, 0, 0});
  for (std::size_t i = 0; i < frames.size() && i < 4; ++i) colours[i] = {frames[i].r, frames[i].g, frames[i].b};
  ColorMapObject* map = GifMakeMapObject(4, colours.data());
  EGifPutScreenDesc(gif, w, h, 2, 0, map);
  for (std::size_t f = 0; f < frames.size(); ++f) {
    const int fw = f == 0 ? w / 2 : w;
    EGifPutImageDesc(gif, 0, 0, fw, h, false, nullptr);
    std::vector<GifPixelType> line(static_cast<std::size_t>(fw), static_cast<GifPixelType>(f));
    for (int y = 0; y < h; ++y) EGifPutLine(gif, line.data(), fw);
  }
  EGifCloseFile(gif, &err);
  GifFreeMapObject(map);
  return out;
}

std::string make_webp(std::uint32_t w, std::uint32_t h, Rgb colour, std::uint8_t alpha) {
  std::string pixels;
  for (std::size_t i = 0; i < std::size_t{w} * h; ++i) {
    pixels += {static_cast<char>(colour.r), static_cast<char>(colour.g), static_cast<char>(colour.b)};
    if (alpha < 255) pixels.push_back(static_cast<char>(alpha));
  }
  std::uint8_t* out = nullptr;
  const auto* data = reinterpret_cast<const std::uint8_t*>(pixels.data());
  const std::size_t size =
      alpha < 255
          ? WebPEncodeLosslessRGBA(data, static_cast<int>(w), static_cast<int>(h), static_cast<int>(w * 4), &out)
          : WebPEncodeLosslessRGB(data, static_cast<int>(w), static_cast<int>(h), static_cast<int>(w * 3), &out);
  std::string webp(reinterpret_cast<const char*>(out), size);
  WebPFree(out);
  return webp;
}

std::string make_animated_webp(std::uint32_t w, std::uint32_t h, const std::vector<Rgb>& frames) {
  WebPAnimEncoderOptions options;
  WebPAnimEncoderOptionsInit(&options);
  WebPAnimEncoder* enc = WebPAnimEncoderNew(static_cast<int>(w), static_cast<int>(h), &options);
  WebPConfig config;
  WebPConfigInit(&config);
  config.lossless = 1;
  int timestamp = 0;
  for (const Rgb& c : frames) {
    WebPPicture picture;
    WebPPictureInit(&picture);
    picture.width = static_cast<int>(w);
    picture.height = static_cast<int>(h);
    picture.use_argb = 1;
    WebPPictureAlloc(&picture);
    const std::uint32_t argb = 0xFF000000u | (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
    for (std::size_t i = 0; i < std::size_t{w} * h; ++i) picture.argb[i] = argb;
    WebPAnimEncoderAdd(enc, &picture, timestamp, &config);
    WebPPictureFree(&picture);
    timestamp += 100;
  }
  WebPAnimEncoderAdd(enc, nullptr, timestamp, nullptr);
  WebPData data;
  WebPDataInit(&data);
  WebPAnimEncoderAssemble(enc, &data);
  std::string webp(reinterpret_cast<const char*>(data.bytes), data.size);
  WebPDataClear(&data);
  WebPAnimEncoderDelete(enc);
  return webp;
}

int DecodedPng::channels() const {
  switch (colour_type) {
    case SPNG_COLOR_TYPE_GRAYSCALE:
      return 1;
    case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA:
      return 2;
    case SPNG_COLOR_TYPE_TRUECOLOR:
      return 3;
    default:
      return 4;
  }
}

std::uint16_t DecodedPng::sample(std::uint32_t x, std::uint32_t y, int c) const {
  const std::size_t bytes = depth / 8;
  const std::size_t at = ((std::size_t{y} * width + x) * channels() + c) * bytes;
  if (bytes == 1) return pixels[at];
  std::uint16_t v;
  std::memcpy(&v, pixels.data() + at, 2);
  return v;
}

std::optional<DecodedPng> read_png(std::string_view bytes) {
  std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)> ctx(spng_ctx_new(0), spng_ctx_free);
  spng_set_png_buffer(ctx.get(), bytes.data(), bytes.size());
  spng_ihdr ihdr{};
  if (spng_get_ihdr(ctx.get(), &ihdr) != 0) return std::nullopt;
  DecodedPng png{ihdr.width, ihdr.height, ihdr.color_type, ihdr.bit_depth, {}};
  std::size_t size = 0;
  if (spng_decoded_image_size(ctx.get(), SPNG_FMT_PNG, &size) != 0) return std::nullopt;
  png.pixels.resize(size);
  if (spng_decode_image(ctx.get(), png.pixels.data(), size, SPNG_FMT_PNG, 0) != 0) return std::nullopt;
  return png;
}

std::optional<DecodedPng> reply_png(const ToolReply& reply) {
  const json::value* content = reply.result.is_object() ? reply.result.as_object().if_contains("content") : nullptr;
  if (!content || !content->is_array() || content->as_array().empty()) return std::nullopt;
  const json::value& item = content->as_array()[0];
  if (vemba_core::project_io::text_of(item, "type") != "image" ||
      vemba_core::project_io::text_of(item, "mimeType") != "image/png")
    return std::nullopt;
  return read_png(base64_decode(vemba_core::project_io::text_of(item, "data")));
}

}  // namespace vemba_test

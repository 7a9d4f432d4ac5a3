#pragma once
// Utilities that know nothing of the server or the core library: Base64,
// child processes and picture codecs. Nothing here includes code of either.

#include <chrono>
#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

namespace vemba_util {

// ---- Base64 (base64.cc) -----------------------------------------------------
// Standard alphabet (RFC 4648), "=" padding, both ways.

/// Standard Base64 with "=" padding, no line breaks.
std::string base64_encode(std::string_view bytes);

/// Strict canonical decoding: standard alphabet, required padding, zero
/// trailing bits, no white space. The error is one of "Invalid symbol {byte},
/// offset {i}.", "Invalid input length: {n}", "Invalid last symbol {byte},
/// offset {i}." or "Invalid padding" (byte values and offsets in decimal).
std::expected<std::string, std::string> base64_decode(std::string_view text);

// ---- Child processes (child_process.cc) -------------------------------------
// A helper program run to its end: started by bare name through PATH, never
// reading the server's standard input, killed when it overstays a deadline.
// Several runs can share one deadline, so a caller's helpers together take no
// longer than it allows.

enum class ChildOutput { kCapture, kDiscard };

struct ChildRun {
  bool exited_zero = false;  // started, exited normally with status 0 in time
  bool timed_out = false;    // killed (with its process group) at the deadline, or not started past it
  std::string out;           // standard output, when captured
};

/// Standard input is the null device. With kCapture, standard output is kept
/// (up to 64 MiB; the rest is read and dropped) and standard error is read
/// alongside and dropped, so neither pipe can fill and stall the child; with
/// kDiscard both go to the null device. A child still running at `deadline`
/// is killed with its process group; once the deadline has passed nothing is
/// started. Always reaps the child. SIGCHLD must not be ignored, or the
/// system reaps the child itself and its status is lost.
ChildRun run_child(const std::vector<std::string>& argv, ChildOutput output,
                   std::chrono::steady_clock::time_point deadline);

// ---- Pictures (image_codec.cc, image_decoders.cc, png.cc) --------------------
// Decoding PNG, JPEG, GIF and WebP from memory (the format told by the
// content), shrinking to a bound, PNG encoding in the picture's own pixel
// layout.

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

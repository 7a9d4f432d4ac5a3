#pragma once
// Base64: standard alphabet (RFC 4648), "=" padding, both ways.

#include <expected>
#include <string>
#include <string_view>

namespace vemba_util {

/// Standard Base64 with "=" padding, no line breaks.
std::string base64_encode(std::string_view bytes);

/// Strict canonical decoding: standard alphabet, required padding, zero
/// trailing bits, no white space. The error is one of "Invalid symbol {byte},
/// offset {i}.", "Invalid input length: {n}", "Invalid last symbol {byte},
/// offset {i}." or "Invalid padding" (byte values and offsets in decimal).
std::expected<std::string, std::string> base64_decode(std::string_view text);

}  // namespace vemba_util

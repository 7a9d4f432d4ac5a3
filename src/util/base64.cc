#include "util/base64.h"

#include <fmt/format.h>

#include <array>
#include <cstdint>

namespace vemba_util {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint8_t kInvalid = 0xFF;
constexpr char kPad = '=';

constexpr std::array<std::uint8_t, 256> make_decode_table() {
  std::array<std::uint8_t, 256> table{};
  for (auto& v : table) v = kInvalid;
  for (std::uint8_t i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = i;
  return table;
}

constexpr std::array<std::uint8_t, 256> kDecode = make_decode_table();

std::uint8_t byte_at(std::string_view s, std::size_t i) { return static_cast<std::uint8_t>(s[i]); }

std::unexpected<std::string> invalid_symbol(std::size_t offset, std::uint8_t symbol) {
  return std::unexpected(fmt::format("Invalid symbol {}, offset {}.", symbol, offset));
}

// The last quad (one to four symbols, padding included), starting at `start`.
// The checks run in the order that gives each input its one error text: a
// misplaced "=" or a bad symbol, then a lone symbol, then non-canonical
// padding, then set bits after the last whole byte.
std::expected<void, std::string> decode_suffix(std::string_view text, std::size_t start, std::string& out) {
  std::uint8_t morsels[4] = {0, 0, 0, 0};
  std::size_t morsel_count = 0, pad_count = 0, first_pad = 0;
  std::uint8_t last_symbol = 0;
  for (std::size_t k = 0; start + k < text.size(); ++k) {
    const std::uint8_t b = byte_at(text, start + k);
    if (b == kPad) {
      // Padding may only follow two or three symbols of the quad.
      if (k < 2) return invalid_symbol(start + k, b);
      if (pad_count == 0) first_pad = k;
      ++pad_count;
      continue;
    }
    if (pad_count > 0) return invalid_symbol(start + first_pad, kPad);
    const std::uint8_t m = kDecode[b];
    if (m == kInvalid) return invalid_symbol(start + k, b);
    last_symbol = b;
    morsels[morsel_count++] = m;
  }
  if (!text.empty() && morsel_count < 2)
    return std::unexpected(fmt::format("Invalid input length: {}", start + morsel_count));
  if ((pad_count + morsel_count) % 4 != 0) return std::unexpected(std::string("Invalid padding"));
  const std::size_t whole_bytes = morsel_count * 6 / 8;
  std::uint32_t bits = (std::uint32_t{morsels[0]} << 26) | (std::uint32_t{morsels[1]} << 20) |
                       (std::uint32_t{morsels[2]} << 14) | (std::uint32_t{morsels[3]} << 8);
  const std::uint32_t unused = ~std::uint32_t{0} >> (whole_bytes * 8);
  if ((bits & unused) != 0)
    return std::unexpected(fmt::format("Invalid last symbol {}, offset {}.", last_symbol, start + morsel_count - 1));
  for (std::size_t i = 0; i < whole_bytes; ++i, bits <<= 8) out.push_back(static_cast<char>(bits >> 24));
  return {};
}

}  // namespace

std::string base64_encode(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const std::uint32_t w = (std::uint32_t{s[i]} << 16) | (std::uint32_t{s[i + 1]} << 8) | std::uint32_t{s[i + 2]};
    out += kAlphabet[w >> 18];
    out += kAlphabet[(w >> 12) & 63];
    out += kAlphabet[(w >> 6) & 63];
    out += kAlphabet[w & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    const std::uint32_t w = (std::uint32_t{s[i]} << 16) | (rest == 2 ? std::uint32_t{s[i + 1]} << 8 : 0);
    out += kAlphabet[w >> 18];
    out += kAlphabet[(w >> 12) & 63];
    out += rest == 2 ? kAlphabet[(w >> 6) & 63] : kPad;
    out += kPad;
  }
  return out;
}

std::expected<std::string, std::string> base64_decode(std::string_view text) {
  const std::size_t rest = text.size() % 4;
  // A single stray symbol at the end (a line feed, typically) is named before
  // anything else.
  if (rest == 1) {
    const std::uint8_t last = byte_at(text, text.size() - 1);
    if (last != kPad && kDecode[last] == kInvalid) return invalid_symbol(text.size() - 1, last);
  }
  // Every quad but the last is decoded here; the last may carry padding.
  std::size_t body = text.size() - rest;
  if (rest == 0 && body >= 4) body -= 4;
  std::string out;
  out.reserve(text.size() / 4 * 3 + 3);
  for (std::size_t i = 0; i < body; i += 4) {
    std::uint32_t w = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      const std::uint8_t b = byte_at(text, i + k);
      const std::uint8_t m = kDecode[b];
      if (m == kInvalid) return invalid_symbol(i + k, b);
      w = (w << 6) | m;
    }
    out.push_back(static_cast<char>(w >> 16));
    out.push_back(static_cast<char>(w >> 8));
    out.push_back(static_cast<char>(w));
  }
  if (auto ok = decode_suffix(text, body, out); !ok) return std::unexpected(ok.error());
  return out;
}

}  // namespace vemba_util

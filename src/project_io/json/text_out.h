#pragma once
// The text a writer makes: one growing buffer written through a pointer,
// texts escaped and copied eight bytes at a time, numbers in their written
// forms. Inside json_write.cc's writer only, so not in the folder's contract
// (json.h); no word load reads past a text's end.

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace vemba_core::project_io::text_out {

inline constexpr std::uint64_t kOnes = 0x0101010101010101ULL;

// Eight bytes in string order: the first byte is the lowest, on any machine.
inline std::uint64_t load_word(const char* s) {
  std::uint64_t w;
  std::memcpy(&w, s, 8);
  if constexpr (std::endian::native == std::endian::big) w = std::byteswap(w);
  return w;
}

// The high bit of each byte that needs an escape (below U+0020, a quotation
// mark or a backslash). Exact up to the first such byte: a borrow may flag a
// plain byte after it, never one before.
inline std::uint64_t escape_mask(std::uint64_t w) {
  constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
  const std::uint64_t quote = w ^ (kOnes * '"'), backslash = w ^ (kOnes * '\\');
  const std::uint64_t below = (w - kOnes * 0x20) & ~w;
  const std::uint64_t zero = ((quote - kOnes) & ~quote) | ((backslash - kOnes) & ~backslash);
  return (below | zero) & kHigh;
}

// The `r` bytes at `s` (0 < r < 8) as the first bytes of a word, zeros
// after them; nothing outside them is read. To the escape scan the zeros
// are escapes, so it stops at the end.
inline std::uint64_t short_word(const char* s, std::size_t r) {
  if (r >= 4) {
    std::uint32_t first, last;
    std::memcpy(&first, s, 4);
    std::memcpy(&last, s + r - 4, 4);
    if constexpr (std::endian::native == std::endian::big) {
      first = std::byteswap(first);
      last = std::byteswap(last);
    }
    return first | std::uint64_t{last} << (8 * (r - 4));
  }
  const auto byte = [&](std::size_t k) { return std::uint64_t{static_cast<unsigned char>(s[k])} << (8 * k); };
  return byte(0) | byte(r / 2) | byte(r - 1);
}

// Where the first escape is in a word's mask.
inline std::size_t first_flagged(std::uint64_t mask) { return static_cast<std::size_t>(std::countr_zero(mask)) / 8; }

// The escape of one byte that needs it; returns its length. Quote,
// backslash and five controls have a letter; other controls are \u00XX.
inline std::size_t escape_of(unsigned char c, char* out) {
  static constexpr char kHex[] = "0123456789abcdef";
  static constexpr auto kLetter = [] {
    std::array<char, 0x20> letter{};
    letter['\b'] = 'b', letter['\t'] = 't', letter['\n'] = 'n', letter['\f'] = 'f', letter['\r'] = 'r';
    return letter;
  }();
  out[0] = '\\';
  if (c == '"' || c == '\\' || kLetter[c]) {
    out[1] = c < 0x20 ? kLetter[c] : static_cast<char>(c);
    return 2;
  }
  std::memcpy(out + 1, "u00", 3);
  out[4] = kHex[c >> 4];
  out[5] = kHex[c & 0xF];
  return 6;
}

// The text being written: one string, grown by doubling, written through a
// pointer. Bytes past the pointer are scratch until written.
class Out {
 public:
  explicit Out(std::size_t reserve) : at_(text_.data()), end_(at_) { grow(std::max<std::size_t>(reserve, 256)); }
  /// Goes on after the end of `text`.
  explicit Out(std::string&& text) : text_(std::move(text)), at_(text_.data() + text_.size()), end_(at_) {}

  /// At least `n` writable bytes at the pointer.
  char* room(std::size_t n) {
    if (static_cast<std::size_t>(end_ - at_) < n) grow(n);
    return at_;
  }
  void advance_to(char* at) { at_ = at; }
  void append(const char* s, std::size_t n) {
    std::memcpy(room(n), s, n);
    at_ += n;
  }
  void put(char c) {
    *room(1) = c;
    ++at_;
  }
  std::string take() && {
    text_.resize(static_cast<std::size_t>(at_ - text_.data()));
    return std::move(text_);
  }

 private:
  void grow(std::size_t n) {
    const std::size_t used = static_cast<std::size_t>(at_ - text_.data());
    const std::size_t size = used + n <= text_.capacity() ? text_.capacity() : std::max(used + n, 2 * text_.capacity());
    text_.resize(used);
    // The new bytes are left as they come: each is written before it is kept.
    text_.resize_and_overwrite(size, [](char*, std::size_t all) { return all; });
    at_ = text_.data() + used;
    end_ = text_.data() + text_.size();
  }

  std::string text_;
  char* at_;
  char* end_;
};

// Shortest round-trip digits, always with a fraction or an exponent.
inline void write_float(Out& out, double x) {
  if (!std::isfinite(x)) {
    out.append("null", 4);
    return;
  }
  const double mag = std::fabs(x);
  if (x == 0 || (mag >= 1e-5 && mag < 1e16)) {
    char* at = out.room(32);
    char* end = std::to_chars(at, at + 30, x, std::chars_format::fixed).ptr;
    if (std::find(at, end, '.') == end) {
      std::memcpy(end, ".0", 2);
      end += 2;
    }
    out.advance_to(end);
    return;
  }
  // A bare exponent: 1e16, 1.5e-7 (not 1e+16, 1.5e-07).
  char buf[32];
  const char* end = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific).ptr;
  const std::string_view s(buf, static_cast<std::size_t>(end - buf));
  const std::size_t e = s.find('e');
  out.append(buf, e + 1);
  std::string_view exp = s.substr(e + 1);
  if (exp.starts_with('-')) {
    out.put('-');
    exp.remove_prefix(1);
  } else if (exp.starts_with('+')) {
    exp.remove_prefix(1);
  }
  while (exp.size() > 1 && exp.front() == '0') exp.remove_prefix(1);
  out.append(exp.data(), exp.size());
}

template <class Int>
inline void write_integer(Out& out, Int i) {
  char* at = out.room(24);
  out.advance_to(std::to_chars(at, at + 24, i).ptr);
}

inline void store_word(char* at, std::uint64_t w) {
  if constexpr (std::endian::native == std::endian::big) w = std::byteswap(w);
  std::memcpy(at, &w, 8);
}

// The text's escapes, in quotes when `quoted`, its plain bytes copied a
// word at a time as they are scanned. Words are stored whole, so a word of
// room is kept to spare; bytes stored past an escape are written again.
inline void write_escaped(Out& out, std::string_view s, bool quoted) {
  const char* in = s.data();
  const std::size_t n = s.size();
  // Every plain byte and the quotes; each escape asks for its own room.
  char* at = out.room(n + 2 + 8);
  if (quoted) *at++ = '"';
  for (std::size_t i = 0;;) {
    std::uint64_t m = 0;
    for (; n - i >= 8 && !m; i += 8, at += 8) {
      const std::uint64_t w = load_word(in + i);
      store_word(at, w);
      m = escape_mask(w);
    }
    if (m) {
      // The word just passed holds the escape.
      i -= 8 - first_flagged(m);
      at -= 8 - first_flagged(m);
    } else if (i < n) {
      const std::uint64_t w = short_word(in + i, n - i);
      store_word(at, w);
      const std::size_t plain = first_flagged(escape_mask(w));
      i += plain;
      at += plain;
    }
    if (i == n) break;
    out.advance_to(at);
    at = out.room(n - i + 6 + 1 + 8);
    at += escape_of(static_cast<unsigned char>(in[i++]), at);
  }
  if (quoted) *at++ = '"';
  out.advance_to(at);
}

inline void write_string(Out& out, std::string_view s) { write_escaped(out, s, true); }

}  // namespace vemba_core::project_io::text_out

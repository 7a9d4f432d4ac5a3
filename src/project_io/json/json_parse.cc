// Reading JSON text: the strict, exact-number parser and the checks that
// go with it (UTF-8, nesting).

#include "project_io/json/json.h"

#include <fast_float/fast_float.h>
#include <fmt/format.h>
#include <boost/json/basic_parser_impl.hpp>
#include <boost/json/value_stack.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <system_error>

namespace vemba_core::project_io {
namespace {

// Builds the same tree as Boost's own parser, but converts every floating
// number from its text with fast_float, which rounds correctly: the library's
// own conversion is off in the last place for some doubles, which would move
// coordinates on every rewrite. (std::from_chars would do, but libc++ 16 has
// none for doubles.)
class ExactHandler {
 public:
  static constexpr std::size_t max_object_size = json::object::max_size();
  static constexpr std::size_t max_array_size = json::array::max_size();
  static constexpr std::size_t max_key_size = json::string::max_size();
  static constexpr std::size_t max_string_size = json::string::max_size();

  json::value_stack st;
  std::string number_text;

  ExactHandler(unsigned char* temp, std::size_t size) : st(json::storage_ptr(), temp, size) {}

  bool on_document_begin(json::error_code&) { return true; }
  bool on_document_end(json::error_code&) { return true; }
  bool on_object_begin(json::error_code&) { return true; }
  bool on_object_end(std::size_t n, json::error_code&) {
    st.push_object(n);
    return true;
  }
  bool on_array_begin(json::error_code&) { return true; }
  bool on_array_end(std::size_t n, json::error_code&) {
    st.push_array(n);
    return true;
  }
  bool on_key_part(json::string_view s, std::size_t, json::error_code&) {
    st.push_chars(s);
    return true;
  }
  bool on_key(json::string_view s, std::size_t, json::error_code&) {
    st.push_key(s);
    return true;
  }
  bool on_string_part(json::string_view s, std::size_t, json::error_code&) {
    st.push_chars(s);
    return true;
  }
  bool on_string(json::string_view s, std::size_t, json::error_code&) {
    st.push_string(s);
    return true;
  }
  bool on_number_part(json::string_view s, json::error_code&) {
    number_text.append(s.data(), s.size());
    return true;
  }
  bool on_int64(std::int64_t i, json::string_view, json::error_code&) {
    number_text.clear();
    st.push_int64(i);
    return true;
  }
  bool on_uint64(std::uint64_t u, json::string_view, json::error_code&) {
    number_text.clear();
    st.push_uint64(u);
    return true;
  }
  bool on_double(double, json::string_view s, json::error_code& ec) {
    // The number's text arrives whole unless it straddled a buffer edge.
    std::string_view text(s.data(), s.size());
    if (!number_text.empty()) text = number_text.append(s.data(), s.size());
    std::optional<double> exact = read_double(text);
    number_text.clear();
    if (!exact) {
      ec = json::error::exponent_overflow;
      return false;
    }
    st.push_double(*exact);
    return true;
  }
  bool on_bool(bool b, json::error_code&) {
    st.push_bool(b);
    return true;
  }
  bool on_null(json::error_code&) {
    st.push_null();
    return true;
  }
  bool on_comment_part(json::string_view, json::error_code&) { return true; }
  bool on_comment(json::string_view, json::error_code&) { return true; }

 private:
  // Exact text-to-double, rounded as strtod does: an overflow to infinity is
  // no number, an underflow reads as the nearest value (zero or a subnormal).
  // fast_float stores the rounded value in both cases, and from 4.0 on also
  // reports both as out of range (3.x does not), so the value decides, not the
  // report. Starting from NaN, a release that stored nothing is refused.
  static std::optional<double> read_double(std::string_view text) {
    double d = std::numeric_limits<double>::quiet_NaN();
    const auto [end, ec] = fast_float::from_chars(text.data(), text.data() + text.size(), d);
    const bool read = ec == std::errc() || ec == std::errc::result_out_of_range;
    if (!read || end != text.data() + text.size() || !std::isfinite(d)) return std::nullopt;
    return d;
  }
};

struct LineColumn {
  std::size_t line = 1, column = 1;
};

LineColumn position_of(std::string_view text, std::size_t offset) {
  LineColumn at;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++at.line;
      at.column = 1;
    } else {
      ++at.column;
    }
  }
  return at;
}

bool is_json_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

struct ParseFailure {
  json::error_code ec;
  std::string message;
};

std::expected<json::value, ParseFailure> parse_once(std::string_view text, const json::storage_ptr& storage) {
  json::parse_options opt;
  opt.max_depth = kMaxNesting;
  // A stack buffer for the value stack saves heap traffic on small requests.
  unsigned char temp[4096];
  json::basic_parser<ExactHandler> p(opt, temp, sizeof temp);
  json::error_code ec;
  p.handler().st.reset(storage);
  const std::size_t used = p.write_some(false, text.data(), text.size(), ec);
  std::size_t rest = used;
  if (!ec) {
    while (rest < text.size() && is_json_space(text[rest])) ++rest;
    if (rest < text.size()) ec = json::error::extra_data;
  }
  if (ec) {
    const LineColumn at = position_of(text, ec == json::error::extra_data ? rest : used);
    return std::unexpected(ParseFailure{ec, fmt::format("{} at line {} column {}", ec.message(), at.line, at.column)});
  }
  return p.handler().st.release();
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_number_char(char c) { return is_digit(c) || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-'; }

// One number of strict JSON at `i`: whether it is well formed and ends where
// the run of number characters ends, whether its digits are all zero, and
// how many significant digits its exponent has.
struct NumberToken {
  bool well_formed = false;
  bool zero = true;
  bool negative_exponent = false;
  std::size_t exponent_digits = 0;
};

NumberToken read_number(std::string_view text, std::size_t& i) {
  NumberToken t;
  const std::size_t n = text.size();
  auto digits = [&] {
    const std::size_t from = i;
    for (; i < n && is_digit(text[i]); ++i) t.zero = t.zero && text[i] == '0';
    return i - from;
  };
  auto finish = [&](bool ok) {
    t.well_formed = ok && (i == n || !is_number_char(text[i]));
    while (i < n && is_number_char(text[i])) ++i;
    return t;
  };
  if (text[i] == '-') ++i;
  const std::size_t first = i;
  const std::size_t whole = digits();
  if (whole == 0 || (whole > 1 && text[first] == '0')) return finish(false);
  if (i < n && text[i] == '.') {
    ++i;
    if (digits() == 0) return finish(false);
  }
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    t.negative_exponent = i < n && text[i] == '-';
    if (i < n && (text[i] == '-' || text[i] == '+')) ++i;
    const std::size_t from = i;
    while (i < n && text[i] == '0') ++i;
    const std::size_t significant = i;
    while (i < n && is_digit(text[i])) ++i;
    if (i == from) return finish(false);
    t.exponent_digits = i - significant;
  }
  return finish(true);
}

// Boost refuses an exponent past the int range even where the number is
// plainly zero (1e-99999999999, 0e99999999999). The text with each such
// number written as a zero of its sign, when there is one; a number token
// is replaced whole, so the text stays as valid or invalid as it was.
std::optional<std::string> zero_huge_exponents(std::string_view text) {
  constexpr std::size_t kIntDigits = 9;  // fewer significant exponent digits always fit
  std::string out;
  std::size_t copied = 0, i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    if (text[i] == '"') {
      for (++i; i < n && text[i] != '"'; ++i)
        if (text[i] == '\\') ++i;
      ++i;
      continue;
    }
    if (!is_number_char(text[i])) {
      ++i;
      continue;
    }
    const std::size_t start = i;
    const NumberToken t = read_number(text, i);
    if (!t.well_formed || t.exponent_digits <= kIntDigits || (!t.zero && !t.negative_exponent)) continue;
    out.append(text.substr(copied, start - copied));
    out += text[start] == '-' ? "-0.0" : "0.0";
    copied = i;
  }
  if (copied == 0) return std::nullopt;
  out.append(text.substr(copied));
  return out;
}

}  // namespace

std::expected<json::value, std::string> parse_json(std::string_view text) { return parse_json(text, {}); }

std::expected<json::value, std::string> parse_json(std::string_view text, json::storage_ptr storage) {
  auto parsed = parse_once(text, storage);
  if (parsed) return std::move(*parsed);
  if (parsed.error().ec == json::error::exponent_overflow)
    if (const std::optional<std::string> zeroed = zero_huge_exponents(text))
      if (auto again = parse_once(*zeroed, storage)) return std::move(*again);
  return std::unexpected(std::move(parsed.error().message));
}

bool is_valid_utf8(std::string_view bytes) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    // Eight ASCII bytes at a time: the common case of project files.
    while (i + 8 <= n) {
      std::uint64_t w;
      std::memcpy(&w, s + i, 8);
      if (w & 0x8080808080808080ULL) break;
      i += 8;
    }
    if (i >= n) break;
    const unsigned char c = s[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t len;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    } else {
      return false;
    }
    if (i + len > n) return false;
    if (s[i + 1] < lo || s[i + 1] > hi) return false;
    for (std::size_t k = 2; k < len; ++k)
      if (s[i + k] < 0x80 || s[i + k] > 0xBF) return false;
    i += len;
  }
  return true;
}

}  // namespace vemba_core::project_io

// Writing JSON text: the compact and pretty forms, and numbers as written.

#include "project_io/json/json.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace vemba_core::project_io {
namespace {

// Eight bytes at a time: true when one of them needs an escape (below
// U+0020, a quotation mark or a backslash).
bool needs_escape(std::uint64_t w) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL, kHigh = 0x8080808080808080ULL;
  const std::uint64_t quote = w ^ (kOnes * '"'), backslash = w ^ (kOnes * '\\');
  const std::uint64_t below = (w - kOnes * 0x20) & ~w;
  const std::uint64_t zero = ((quote - kOnes) & ~quote) | ((backslash - kOnes) & ~backslash);
  return ((below | zero) & kHigh) != 0;
}

}  // namespace

void append_escaped(std::string& out, std::string_view s) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::size_t run = 0, i = 0;
  const std::size_t n = s.size();
  while (i < n) {
    // Plain bytes go out as one run.
    while (i + 8 <= n) {
      std::uint64_t w;
      std::memcpy(&w, s.data() + i, 8);
      if (needs_escape(w)) break;
      i += 8;
    }
    if (i >= n) break;
    const auto c = static_cast<unsigned char>(s[i]);
    if (c >= 0x20 && c != '"' && c != '\\') {
      ++i;
      continue;
    }
    out.append(s.data() + run, i - run);
    run = ++i;
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += "\\u00";
        out.push_back(kHex[c >> 4]);
        out.push_back(kHex[c & 0xF]);
    }
  }
  out.append(s.data() + run, n - run);
}

namespace {

void write_string(std::string& out, std::string_view s) {
  out.push_back('"');
  append_escaped(out, s);
  out.push_back('"');
}

void append_float(std::string& out, double x) {
  if (!std::isfinite(x)) {
    out += "null";
    return;
  }
  char buf[64];
  const double mag = std::fabs(x);
  if (x == 0 || (mag >= 1e-5 && mag < 1e16)) {
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed);
    std::string_view digits(buf, end - buf);
    out += digits;
    if (digits.find('.') == std::string_view::npos) out += ".0";
    return;
  }
  // Shortest scientific, with a bare exponent: 1e16, 1.5e-7 (not 1e+16, 1.5e-07).
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific);
  std::string_view s(buf, end - buf);
  const std::size_t e = s.find('e');
  out += s.substr(0, e + 1);
  std::string_view exp = s.substr(e + 1);
  if (exp.starts_with('-')) {
    out.push_back('-');
    exp.remove_prefix(1);
  } else if (exp.starts_with('+')) {
    exp.remove_prefix(1);
  }
  while (exp.size() > 1 && exp.front() == '0') exp.remove_prefix(1);
  out += exp;
}

template <class Int>
void append_integer(std::string& out, Int i) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, i);
  out.append(buf, end);
}

void write_scalar(std::string& out, const json::value& v) {
  switch (v.kind()) {
    case json::kind::null:
      out += "null";
      break;
    case json::kind::bool_:
      out += v.get_bool() ? "true" : "false";
      break;
    case json::kind::int64:
      append_integer(out, v.get_int64());
      break;
    case json::kind::uint64:
      append_integer(out, v.get_uint64());
      break;
    case json::kind::double_:
      append_float(out, v.get_double());
      break;
    case json::kind::string:
      write_string(out, v.get_string());
      break;
    default:
      break;
  }
}

// One walk writes the text and checks the nesting. The members of each
// object are sorted as pointers in one buffer kept for the whole walk (each
// object sorts its own stretch at the end of it), not in a vector of its own.
class Writer {
 public:
  Writer(std::string& out, bool pretty, std::size_t levels, const Overlay* overlay)
      : out_(out), pretty_(pretty), levels_(levels), overlay_(overlay) {}

  bool write(const json::value& v, std::size_t depth) {
    if (const json::object* o = v.if_object()) return write_object(*o, overlay_ ? (*overlay_)(v) : nullptr, depth);
    if (const json::array* a = v.if_array()) return write_array(*a, depth);
    write_scalar(out_, v);
    return true;
  }

 private:
  void newline(std::size_t level) {
    if (!pretty_) return;
    out_.push_back('\n');
    out_.append(level * 2, ' ');
  }

  // `over`: members written in place of the object's own of the same key.
  bool write_object(const json::object& o, const json::object* over, std::size_t depth) {
    if (depth == levels_) return false;
    if (o.empty() && (!over || over->empty())) {
      out_ += "{}";
      return true;
    }
    const std::size_t from = members_.size();
    for (const auto& kv : o)
      if (!over || !over->contains(kv.key())) members_.push_back(&kv);
    if (over)
      for (const auto& kv : *over) members_.push_back(&kv);
    const std::size_t count = members_.size() - from;
    std::sort(members_.begin() + static_cast<std::ptrdiff_t>(from), members_.end(),
              [](const auto* a, const auto* b) { return std::string_view(a->key()) < std::string_view(b->key()); });
    out_.push_back('{');
    bool ok = true;
    for (std::size_t i = from; ok && i < from + count; ++i) {
      if (i != from) out_.push_back(',');
      newline(depth + 1);
      const json::key_value_pair* kv = members_[i];
      write_string(out_, kv->key());
      out_ += pretty_ ? ": " : ":";
      ok = write(kv->value(), depth + 1);
    }
    members_.resize(from);
    if (!ok) return false;
    newline(depth);
    out_.push_back('}');
    return true;
  }

  bool write_array(const json::array& a, std::size_t depth) {
    if (depth == levels_) return false;
    if (a.empty()) {
      out_ += "[]";
      return true;
    }
    out_.push_back('[');
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (i != 0) out_.push_back(',');
      newline(depth + 1);
      if (!write(a[i], depth + 1)) return false;
    }
    newline(depth);
    out_.push_back(']');
    return true;
  }

  std::string& out_;
  const bool pretty_;
  const std::size_t levels_;
  const Overlay* overlay_;
  std::vector<const json::key_value_pair*> members_;
};

std::optional<std::string> write_text(const json::value& v, bool pretty, std::size_t levels, std::size_t reserve,
                                      const Overlay* overlay = nullptr) {
  std::string out;
  out.reserve(reserve);
  if (!Writer(out, pretty, levels, overlay).write(v, 0)) return std::nullopt;
  return out;
}

// The size of the last document written: the same project is written again
// and again at much the same size, so its text is reserved at once.
thread_local std::size_t last_document_size = 0;

}  // namespace

std::string to_compact(const json::value& v) { return *write_text(v, false, SIZE_MAX, 0); }

std::string to_pretty(const json::value& v) { return *write_text(v, true, SIZE_MAX, 0); }

std::string to_pretty_overlaid(const json::value& v, const Overlay& overlay, std::size_t expected_size) {
  return *write_text(v, true, SIZE_MAX, expected_size, &overlay);
}

std::optional<std::string> to_pretty_document(const json::value& v, std::size_t levels, std::size_t expected_size) {
  // A little over, so a document that grew a bit still fits.
  const std::size_t size = std::max(last_document_size, expected_size);
  std::optional<std::string> text = write_text(v, true, levels, size + size / 16);
  if (text) last_document_size = text->size();
  return text;
}

// The shortest scientific digits moved into place, so that a large whole
// value is not written as its exact binary expansion (1e23 is
// 100000000000000000000000, not 99999999999999991611392).
std::string plain_number(double x) {
  if (!std::isfinite(x)) return std::isnan(x) ? "NaN" : (x > 0 ? "inf" : "-inf");
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific);
  const std::string_view s(buf, static_cast<std::size_t>(end - buf));
  const std::size_t e = s.find('e');
  int exponent = 0;
  std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exponent);
  std::string_view mantissa = s.substr(0, e);
  std::string out;
  if (mantissa.starts_with('-')) {
    out.push_back('-');
    mantissa.remove_prefix(1);
  }
  std::string digits;
  for (char c : mantissa)
    if (c != '.') digits.push_back(c);
  // The digits stand for d.ddd x 10^exponent: the point goes after digit
  // exponent + 1, with zeros filled in on either side as needed.
  const long point = static_cast<long>(exponent) + 1;
  const long count = static_cast<long>(digits.size());
  if (point <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-point), '0');
    out += digits;
  } else if (point >= count) {
    out += digits;
    out.append(static_cast<std::size_t>(point - count), '0');
  } else {
    out.append(digits, 0, static_cast<std::size_t>(point));
    out.push_back('.');
    out.append(digits, static_cast<std::size_t>(point), std::string::npos);
  }
  return out;
}

}  // namespace vemba_core::project_io

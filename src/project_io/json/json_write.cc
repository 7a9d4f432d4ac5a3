// Writing JSON text: the compact and pretty forms, and numbers as written.

#include "project_io/json/json.h"
#include "project_io/json/text_out.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace vemba_core::project_io {
namespace {

using namespace text_out;

void write_scalar(Out& out, const json::value& v) {
  switch (v.kind()) {
    case json::kind::null:
      out.append("null", 4);
      break;
    case json::kind::bool_:
      if (v.get_bool())
        out.append("true", 4);
      else
        out.append("false", 5);
      break;
    case json::kind::int64:
      write_integer(out, v.get_int64());
      break;
    case json::kind::uint64:
      write_integer(out, v.get_uint64());
      break;
    case json::kind::double_:
      write_float(out, v.get_double());
      break;
    case json::kind::string:
      write_string(out, v.get_string());
      break;
    default:
      break;
  }
}

// A key's first eight bytes, zeros past its end, the first byte the most
// significant: comparing two of them compares the keys' starts in byte order.
std::uint64_t key_start(std::string_view key) {
  if (key.empty()) return 0;
  const std::uint64_t w = key.size() >= 8 ? load_word(key.data()) : short_word(key.data(), key.size());
  return std::byteswap(w);
}

// Byte order, as std::string_view compares, mostly settled by the starts.
bool key_less(std::string_view a, std::uint64_t a_start, std::string_view b, std::uint64_t b_start) {
  if (a_start != b_start) return a_start < b_start;
  // Equal starts: a key of eight bytes or fewer begins the other.
  if (a.size() <= 8 || b.size() <= 8) return a.size() < b.size();
  return a.substr(8) < b.substr(8);
}

bool key_less_of(const json::key_value_pair* a, const json::key_value_pair* b) {
  return key_less(a->key(), key_start(a->key()), b->key(), key_start(b->key()));
}

// Objects read from a file written by us already hold their members in order.
bool in_order(const json::object& o) {
  const json::key_value_pair* kv = o.begin();
  std::uint64_t start = o.empty() ? 0 : key_start(kv[0].key());
  for (std::size_t i = 1; i < o.size(); ++i) {
    const std::uint64_t next = key_start(kv[i].key());
    if (!key_less(kv[i - 1].key(), start, kv[i].key(), next)) return false;
    start = next;
  }
  return true;
}

// A line feed and `level` indents in one fixed-size copy, for the usual depths.
constexpr std::size_t kShallow = 1 + 2 * 31;
constexpr auto kLineFeedAndBlanks = [] {
  std::array<char, kShallow> text{};
  text.fill(' ');
  text[0] = '\n';
  return text;
}();

// One walk writes the text and checks the nesting. Members in order are
// written from the object itself; others are sorted as pointers in one
// buffer kept for the whole walk (each object sorts its own stretch at the
// end of it), not in a vector of its own.
template <bool Pretty>
class Writer {
 public:
  Writer(Out& out, std::size_t levels, const Overlay* overlay) : out_(out), levels_(levels), overlay_(overlay) {}

  bool write(const json::value& v, std::size_t depth) {
    if (const json::object* o = v.if_object()) return write_object(*o, overlay_ ? (*overlay_)(v) : nullptr, depth);
    if (const json::array* a = v.if_array()) return write_array(*a, depth);
    write_scalar(out_, v);
    return true;
  }

 private:
  void newline(std::size_t level) {
    if constexpr (Pretty) {
      const std::size_t n = 1 + 2 * level;
      if (n <= kShallow) {
        char* at = out_.room(kShallow);
        std::memcpy(at, kLineFeedAndBlanks.data(), kShallow);
        out_.advance_to(at + n);
      } else {
        char* at = out_.room(n);
        *at = '\n';
        std::memset(at + 1, ' ', n - 1);
        out_.advance_to(at + n);
      }
    }
  }

  bool write_member(const json::key_value_pair& kv, bool first, std::size_t depth) {
    if (!first) out_.put(',');
    newline(depth + 1);
    write_string(out_, kv.key());
    if constexpr (Pretty)
      out_.append(": ", 2);
    else
      out_.put(':');
    return write(kv.value(), depth + 1);
  }

  // `over`: members written in place of the object's own of the same key.
  bool write_object(const json::object& o, const json::object* over, std::size_t depth) {
    if (depth == levels_) return false;
    if (o.empty() && (!over || over->empty())) {
      out_.append("{}", 2);
      return true;
    }
    out_.put('{');
    if (!over && in_order(o)) {
      bool first = true;
      for (const json::key_value_pair& kv : o) {
        if (!write_member(kv, first, depth)) return false;
        first = false;
      }
    } else if (!write_sorted(o, over, depth)) {
      return false;
    }
    newline(depth);
    out_.put('}');
    return true;
  }

  // The object's own members (those `over` does not replace) and `over`'s,
  // each put in order unless they are, then merged as they are written.
  bool write_sorted(const json::object& o, const json::object* over, std::size_t depth) {
    const std::size_t from = members_.size();
    for (const auto& kv : o)
      if (!over || !over->contains(kv.key())) members_.push_back(&kv);
    const std::size_t mid = members_.size();
    if (over)
      for (const auto& kv : *over) members_.push_back(&kv);
    const std::size_t to = members_.size();
    sort_stretch(from, mid);
    sort_stretch(mid, to);
    bool ok = true, first = true;
    for (std::size_t i = from, j = mid; ok && (i < mid || j < to); first = false) {
      const bool own = j == to || (i < mid && key_less_of(members_[i], members_[j]));
      ok = write_member(*members_[own ? i++ : j++], first, depth);
    }
    members_.resize(from);
    return ok;
  }

  void sort_stretch(std::size_t from, std::size_t to) {
    const auto first = members_.begin() + static_cast<std::ptrdiff_t>(from);
    const auto last = members_.begin() + static_cast<std::ptrdiff_t>(to);
    if (!std::is_sorted(first, last, key_less_of)) std::sort(first, last, key_less_of);
  }

  bool write_array(const json::array& a, std::size_t depth) {
    if (depth == levels_) return false;
    if (a.empty()) {
      out_.append("[]", 2);
      return true;
    }
    out_.put('[');
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (i != 0) out_.put(',');
      newline(depth + 1);
      if (!write(a[i], depth + 1)) return false;
    }
    newline(depth);
    out_.put(']');
    return true;
  }

  Out& out_;
  const std::size_t levels_;
  const Overlay* overlay_;
  std::vector<const json::key_value_pair*> members_;
};

std::optional<std::string> write_text(const json::value& v, bool pretty, std::size_t levels, std::size_t reserve,
                                      const Overlay* overlay = nullptr) {
  Out out(reserve);
  const bool ok =
      pretty ? Writer<true>(out, levels, overlay).write(v, 0) : Writer<false>(out, levels, overlay).write(v, 0);
  if (!ok) return std::nullopt;
  return std::move(out).take();
}

}  // namespace

void append_escaped(std::string& out, std::string_view s) {
  Out text(std::move(out));
  write_escaped(text, s, false);
  out = std::move(text).take();
}

namespace {

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

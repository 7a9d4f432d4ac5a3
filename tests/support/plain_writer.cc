#include "support/plain_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

namespace vemba_test {
namespace {

namespace json = boost::json;

void plain_string(std::string& out, std::string_view s) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (const char c : s) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"') {
      out += "\\\"";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (byte >= 0x20) {
      out += c;
    } else if (c == '\b') {
      out += "\\b";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\f') {
      out += "\\f";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += "\\u00";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
  out += '"';
}

// Positional between 1e-5 and 1e16 (and for zero), else scientific with a
// bare exponent; both with the shortest round-trip digits.
void plain_double(std::string& out, double x) {
  if (!std::isfinite(x)) {
    out += "null";
    return;
  }
  char buf[64];
  const bool positional = x == 0 || (std::fabs(x) >= 1e-5 && std::fabs(x) < 1e16);
  const auto format = positional ? std::chars_format::fixed : std::chars_format::scientific;
  const std::string text(buf, std::to_chars(buf, buf + sizeof buf, x, format).ptr);
  if (positional) {
    out += text;
    if (text.find('.') == std::string::npos) out += ".0";
    return;
  }
  const std::size_t e = text.find('e');
  out += text.substr(0, e + 1);
  std::size_t digits = e + 1;
  if (text[digits] == '-') out += '-';
  if (text[digits] == '-' || text[digits] == '+') ++digits;
  while (digits + 1 < text.size() && text[digits] == '0') ++digits;
  out += text.substr(digits);
}

void plain_value(std::string& out, const json::value& v, bool pretty, int level);

void line(std::string& out, bool pretty, int level) {
  if (pretty) out += '\n' + std::string(2 * static_cast<std::size_t>(level), ' ');
}

void plain_value(std::string& out, const json::value& v, bool pretty, int level) {
  if (const json::object* o = v.if_object()) {
    std::vector<const json::key_value_pair*> members;
    for (const json::key_value_pair& kv : *o) members.push_back(&kv);
    std::sort(members.begin(), members.end(),
              [](const auto* a, const auto* b) { return std::string_view(a->key()) < std::string_view(b->key()); });
    out += '{';
    for (std::size_t i = 0; i < members.size(); ++i) {
      if (i > 0) out += ',';
      line(out, pretty, level + 1);
      plain_string(out, members[i]->key());
      out += pretty ? ": " : ":";
      plain_value(out, members[i]->value(), pretty, level + 1);
    }
    if (!members.empty()) line(out, pretty, level);
    out += '}';
  } else if (const json::array* a = v.if_array()) {
    out += '[';
    for (std::size_t i = 0; i < a->size(); ++i) {
      if (i > 0) out += ',';
      line(out, pretty, level + 1);
      plain_value(out, (*a)[i], pretty, level + 1);
    }
    if (!a->empty()) line(out, pretty, level);
    out += ']';
  } else if (v.is_string()) {
    plain_string(out, v.get_string());
  } else if (v.is_double()) {
    plain_double(out, v.get_double());
  } else if (v.is_int64()) {
    out += std::to_string(v.get_int64());
  } else if (v.is_uint64()) {
    out += std::to_string(v.get_uint64());
  } else if (v.is_bool()) {
    out += v.get_bool() ? "true" : "false";
  } else {
    out += "null";
  }
}

}  // namespace

std::string plain_compact(const boost::json::value& v) {
  std::string out;
  plain_value(out, v, false, 0);
  return out;
}

std::string plain_pretty(const boost::json::value& v) {
  std::string out;
  plain_value(out, v, true, 0);
  return out;
}

}  // namespace vemba_test

#include "plain_json.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

namespace bench {
namespace {

void write_string(std::string_view text, std::string& out) {
  out += '"';
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (byte < 0x20)
          fmt::format_to(std::back_inserter(out), "\\u{:04x}", byte);
        else
          out += c;
    }
  }
  out += '"';
}

void write_double(double d, std::string& out) {
  if (!std::isfinite(d)) {
    out += "null";
    return;
  }
  const std::size_t start = out.size();
  fmt::format_to(std::back_inserter(out), "{}", d);
  if (out.find_first_of(".e", start) == std::string::npos) out += ".0";
}

void write_value(const boost::json::value& v, std::string& out, int indent, bool pretty);

void newline(std::string& out, int indent, bool pretty) {
  if (!pretty) return;
  out += '\n';
  out.append(static_cast<std::size_t>(indent) * 2, ' ');
}

void write_object(const boost::json::object& obj, std::string& out, int indent, bool pretty) {
  if (obj.empty()) {
    out += "{}";
    return;
  }
  std::vector<const boost::json::key_value_pair*> members;
  for (const auto& kv : obj) members.push_back(&kv);
  std::sort(members.begin(), members.end(), [](auto* a, auto* b) { return a->key() < b->key(); });
  out += '{';
  for (std::size_t i = 0; i < members.size(); ++i) {
    if (i) out += ',';
    newline(out, indent + 1, pretty);
    write_string(members[i]->key(), out);
    out += pretty ? ": " : ":";
    write_value(members[i]->value(), out, indent + 1, pretty);
  }
  newline(out, indent, pretty);
  out += '}';
}

void write_array(const boost::json::array& arr, std::string& out, int indent, bool pretty) {
  if (arr.empty()) {
    out += "[]";
    return;
  }
  out += '[';
  for (std::size_t i = 0; i < arr.size(); ++i) {
    if (i) out += ',';
    newline(out, indent + 1, pretty);
    write_value(arr[i], out, indent + 1, pretty);
  }
  newline(out, indent, pretty);
  out += ']';
}

void write_value(const boost::json::value& v, std::string& out, int indent, bool pretty) {
  switch (v.kind()) {
    case boost::json::kind::null:
      out += "null";
      break;
    case boost::json::kind::bool_:
      out += v.get_bool() ? "true" : "false";
      break;
    case boost::json::kind::int64:
      out += fmt::format("{}", v.get_int64());
      break;
    case boost::json::kind::uint64:
      out += fmt::format("{}", v.get_uint64());
      break;
    case boost::json::kind::double_:
      write_double(v.get_double(), out);
      break;
    case boost::json::kind::string:
      write_string(v.get_string(), out);
      break;
    case boost::json::kind::array:
      write_array(v.get_array(), out, indent, pretty);
      break;
    case boost::json::kind::object:
      write_object(v.get_object(), out, indent, pretty);
      break;
  }
}

}  // namespace

std::string to_plain_pretty(const boost::json::value& value, std::size_t expected_size) {
  std::string out;
  out.reserve(expected_size);
  write_value(value, out, 0, true);
  return out;
}

std::string to_plain_compact(const boost::json::value& value) {
  std::string out;
  write_value(value, out, 0, false);
  return out;
}

}  // namespace bench

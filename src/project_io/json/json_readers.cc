// The lenient readers: a missing member and one of the wrong type read the
// same.

#include "project_io/json/json.h"

#include <fmt/format.h>

#include <cstdint>

namespace vemba_core::project_io {

const json::value* member(const json::value& v, std::string_view key) {
  const json::object* o = v.if_object();
  return o ? o->if_contains(key) : nullptr;
}

json::value* member(json::value& v, std::string_view key) {
  json::object* o = v.if_object();
  return o ? o->if_contains(key) : nullptr;
}

json::value copy_or(const json::value* m, json::value fallback) { return m ? *m : fallback; }

json::value member_or(const json::value& v, std::string_view key, json::value fallback) {
  return copy_or(member(v, key), std::move(fallback));
}

std::string_view text_of(const json::value& v, std::string_view key) {
  return opt_text_of(v, key).value_or(std::string_view());
}

std::optional<std::string_view> opt_text(const json::value* m) {
  if (!m) return std::nullopt;
  if (const json::string* s = m->if_string()) return std::string_view(*s);
  return std::nullopt;
}

bool flag(const json::value* m) { return m && m->is_bool() && m->get_bool(); }

std::optional<double> number(const json::value* m) { return m ? as_number(*m) : std::nullopt; }

std::optional<std::string_view> opt_text_of(const json::value& v, std::string_view key) {
  return opt_text(member(v, key));
}

bool flag_of(const json::value& v, std::string_view key) { return flag(member(v, key)); }

std::optional<double> as_number(const json::value& v) {
  switch (v.kind()) {
    case json::kind::int64:
      return static_cast<double>(v.get_int64());
    case json::kind::uint64:
      return static_cast<double>(v.get_uint64());
    case json::kind::double_:
      return v.get_double();
    default:
      return std::nullopt;
  }
}

std::optional<double> number_of(const json::value& v, std::string_view key) { return number(member(v, key)); }

double number_or(const json::value& v, std::string_view key, double fallback) {
  return number_of(v, key).value_or(fallback);
}

std::optional<std::int64_t> as_integer(const json::value& v) {
  if (v.is_int64()) return v.get_int64();
  if (v.is_uint64() && v.get_uint64() <= static_cast<std::uint64_t>(INT64_MAX))
    return static_cast<std::int64_t>(v.get_uint64());
  return std::nullopt;
}

std::optional<std::int64_t> integer(const json::value* m) { return m ? as_integer(*m) : std::nullopt; }

std::optional<std::string_view> id_of(const json::value& v) { return opt_text_of(v, "id"); }

const json::array* array(const json::value* m) { return m ? m->if_array() : nullptr; }

const json::array* array_of(const json::value& v, std::string_view key) { return array(member(v, key)); }

json::array* array_of(json::value& v, std::string_view key) {
  json::value* m = member(v, key);
  return m ? m->if_array() : nullptr;
}

const json::array& array_or_empty(const json::value& v, std::string_view key) {
  static const json::array kNone;
  const json::array* a = array_of(v, key);
  return a ? *a : kNone;
}

std::optional<std::size_t> find_by_id(const json::array& records, std::string_view id) {
  for (std::size_t i = 0; i < records.size(); ++i)
    if (id_of(records[i]) == id) return i;
  return std::nullopt;
}

std::unexpected<std::string> not_found(std::string_view kind, std::string_view id) {
  return std::unexpected(fmt::format("{} not found: {}", kind, id));
}

std::unexpected<std::string> not_array(std::string_view key) {
  return std::unexpected(fmt::format("{} not array", key));
}

}  // namespace vemba_core::project_io

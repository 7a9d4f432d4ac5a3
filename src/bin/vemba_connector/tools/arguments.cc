#include "vemba_connector/tools/arguments.h"

namespace vemba_connector {

namespace io = vemba_core::project_io;

std::string_view Arguments::text(std::string_view key) const { return io::text_of(args_, key); }

std::string_view Arguments::text_or(std::string_view key, std::string_view fallback) const {
  return opt_text(key).value_or(fallback);
}

std::optional<std::string_view> Arguments::opt_text(std::string_view key) const { return io::opt_text_of(args_, key); }

double Arguments::number_or(std::string_view key, double fallback) const { return io::number_or(args_, key, fallback); }

std::optional<double> Arguments::opt_number(std::string_view key) const { return io::number_of(args_, key); }

std::int64_t Arguments::integer(std::string_view key) const {
  const json::value* v = io::member(args_, key);
  return v ? io::as_integer(*v).value_or(0) : 0;
}

std::optional<std::uint64_t> Arguments::opt_unsigned(std::string_view key) const {
  const json::value* v = io::member(args_, key);
  if (v && v->is_uint64()) return v->get_uint64();
  if (v && v->is_int64() && v->get_int64() >= 0) return static_cast<std::uint64_t>(v->get_int64());
  return std::nullopt;
}

bool Arguments::flag(std::string_view key) const { return io::flag_of(args_, key); }

bool Arguments::on_unless_false(std::string_view key) const {
  const json::value* v = io::member(args_, key);
  return !(v && v->is_bool() && !v->get_bool());
}

bool Arguments::has(std::string_view key) const { return io::member(args_, key) != nullptr; }

const json::value& Arguments::object(std::string_view key) const {
  static const json::value kEmpty = json::object();
  const json::value* v = io::member(args_, key);
  return v ? *v : kEmpty;
}

const json::value& Arguments::value_or_null(std::string_view key) const {
  static const json::value kNull;
  const json::value* v = io::member(args_, key);
  return v ? *v : kNull;
}

const json::array* Arguments::array(std::string_view key) const { return io::array_of(args_, key); }

std::vector<std::string_view> Arguments::texts(std::string_view key) const {
  return opt_texts(key).value_or(std::vector<std::string_view>());
}

std::optional<std::vector<std::string_view>> Arguments::opt_texts(std::string_view key) const {
  const json::array* items = io::array_of(args_, key);
  if (!items) return std::nullopt;
  std::vector<std::string_view> out;
  out.reserve(items->size());
  for (const json::value& item : *items)
    if (const json::string* s = item.if_string()) out.emplace_back(*s);
  return out;
}

}  // namespace vemba_connector

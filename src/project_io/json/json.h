#pragma once
// The one JSON module: strict exact-number parsing (json_parse.cc), the two
// written text forms (json_write.cc), the lenient field readers every
// operation shares (json_readers.cc), and (text.h) the Unicode helpers for
// the texts inside values. The folder's other modules build on these and
// have headers of their own: patch.h, id_index.h, document_arena.h.

#include "project_io/json/text.h"
#include "util/status.h"

#include <boost/json/array.hpp>
#include <boost/json/object.hpp>
#include <boost/json/storage_ptr.hpp>
#include <boost/json/string.hpp>
#include <boost/json/value.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vemba_core::project_io {

namespace json = boost::json;

using vemba_util::Status;

/// The deepest nesting of arrays and objects that the parser accepts.
inline constexpr std::size_t kMaxNesting = 127;

/// Parses one JSON text, white space around it allowed. Strict: no comments,
/// no trailing commas, no trailing data, nesting of at most kMaxNesting levels, valid UTF-8
/// and UTF-16 escapes, finite numbers. Integers that fit 64 bits keep their
/// integer kind; every other number is a double read exactly. Duplicate keys:
/// the last wins. The error is the parser's message with its position.
std::expected<json::value, std::string> parse_json(std::string_view text);
/// The same, with every array, object and string of the value taken from
/// `storage` (a DocumentArena's, say).
std::expected<json::value, std::string> parse_json(std::string_view text, json::storage_ptr storage);

/// True when the bytes are well-formed UTF-8.
bool is_valid_utf8(std::string_view bytes);

/// The escapes of a JSON string holding `s`, without the quotes, appended to
/// `out`: what both forms below write between a text's quotes. Each byte is
/// escaped on its own, so a text may be escaped in pieces.
void append_escaped(std::string& out, std::string_view s);

/// Both forms write a double with its shortest round-trip digits, always with
/// a fraction or an exponent (120.0, 1e16, 1.5e-7), and as null when not finite.
/// Compact form: no white space, keys in byte order at every depth.
std::string to_compact(const json::value& v);
/// Pretty form: two-space indent, "key": value, keys sorted, no final newline.
std::string to_pretty(const json::value& v);
/// For an object about to be written, members to write in place of its own
/// of the same key, or null. The members given one object must stay as they
/// are until that object is written through (its nested objects are asked
/// about meanwhile).
using Overlay = std::function<const json::object*(const json::value& object)>;
/// The pretty form of `v` with `overlay`'s members written into the objects
/// it names, as if they had been set there; reserves `expected_size`.
std::string to_pretty_overlaid(const json::value& v, const Overlay& overlay, std::size_t expected_size);
/// The pretty form of a whole document whose arrays and objects nest at most
/// `levels` deep (a scalar nests 0 levels, `[]` one); none when it nests
/// deeper. It reserves as much as the last document this thread wrote needed,
/// or `expected_size` when that is more.
std::optional<std::string> to_pretty_document(const json::value& v, std::size_t levels, std::size_t expected_size = 0);

/// A double as messages show it: shortest round-trip digits in positional
/// notation, no exponent, no fraction when whole (480, 512.5, -40).
std::string plain_number(double x);

// ---- Lenient readers ------------------------------------------------------
// A value that is not an object has no members; a missing member and a member
// of the wrong type read the same.

const json::value* member(const json::value& v, std::string_view key);
json::value* member(json::value& v, std::string_view key);

/// Several members of one record, found in one walk over its members rather
/// than one lookup each (on a large board each lookup reaches into the
/// record's table afresh); `fields[i]` is what member(record, keys[i]) gives.
template <std::size_t N>
class Fields {
 public:
  Fields(const json::value& record, const std::array<std::string_view, N>& keys) {
    const json::object* o = record.if_object();
    if (!o) return;
    std::size_t left = N;
    for (const json::key_value_pair& kv : *o) {
      const std::string_view key = kv.key();
      for (std::size_t i = 0; i < N; ++i)
        if (!found_[i] && keys[i] == key) {
          found_[i] = &kv.value();
          --left;
          break;
        }
      if (left == 0) return;
    }
  }
  const json::value* operator[](std::size_t i) const { return found_[i]; }

 private:
  std::array<const json::value*, N> found_{};
};

/// The readers below, for a member already found (null when missing).
std::optional<std::string_view> opt_text(const json::value* m);
bool flag(const json::value* m);
std::optional<double> number(const json::value* m);
std::optional<std::int64_t> integer(const json::value* m);
const json::array* array(const json::value* m);
/// A copy of the member as stored, or `fallback` when it is missing.
json::value copy_or(const json::value* m, json::value fallback);

/// A copy of the member as stored, whatever its kind (a stored null stays
/// null); `fallback` only when it is missing.
json::value member_or(const json::value& v, std::string_view key, json::value fallback);
/// The member's text; empty when missing or not a string.
std::string_view text_of(const json::value& v, std::string_view key);
/// The member's text when it is a string.
std::optional<std::string_view> opt_text_of(const json::value& v, std::string_view key);
/// On only when the member is JSON true.
bool flag_of(const json::value& v, std::string_view key);
/// Any JSON number as a double.
std::optional<double> as_number(const json::value& v);
std::optional<double> number_of(const json::value& v, std::string_view key);
/// The member as a number, or `fallback` (coordinates read as 0).
double number_or(const json::value& v, std::string_view key, double fallback);
/// An integer that fits int64; doubles and larger integers count as none.
std::optional<std::int64_t> as_integer(const json::value& v);
/// A record's `id` when it is a text.
std::optional<std::string_view> id_of(const json::value& v);
/// The member when it is an array.
const json::array* array_of(const json::value& v, std::string_view key);
json::array* array_of(json::value& v, std::string_view key);
/// The member when it is an array, else an empty one.
const json::array& array_or_empty(const json::value& v, std::string_view key);
/// Index of the first element whose `id` is the text `id`.
std::optional<std::size_t> find_by_id(const json::array& records, std::string_view id);
/// The error of a lookup by id that finds nothing: "{kind} not found: {id}".
std::unexpected<std::string> not_found(std::string_view kind, std::string_view id);
/// The error of an edit whose document member must be an array and is not:
/// "{key} not array".
std::unexpected<std::string> not_array(std::string_view key);

}  // namespace vemba_core::project_io

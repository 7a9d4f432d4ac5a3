#pragma once
// Tool arguments read by kind. Every kind is lenient: a missing key and a
// value of the wrong JSON type read the same, so reading never fails and a
// missing id surfaces later as the operation's own lookup error.

#include "project_io/json/json.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace vemba_connector {

namespace json = boost::json;

/// Reads the members of one tool's arguments; a value that is not an object
/// has no members. Texts are views into the arguments, which must outlive
/// the reader's results.
class Arguments {
 public:
  explicit Arguments(const json::value& args) : args_(args) {}

  /// The string, else "".
  std::string_view text(std::string_view key) const;
  /// The string (an empty one stays empty), else `fallback`.
  std::string_view text_or(std::string_view key, std::string_view fallback) const;
  /// The string when there is one.
  std::optional<std::string_view> opt_text(std::string_view key) const;
  /// Any JSON number as a double, else `fallback`.
  double number_or(std::string_view key, double fallback) const;
  std::optional<double> opt_number(std::string_view key) const;
  /// A JSON integer that fits int64; anything else (3.0, 2.5, "3") is 0.
  std::int64_t integer(std::string_view key) const;
  /// A JSON integer of 0 or more, however large (up to 2^64 - 1); none for
  /// anything else (-1, 3.0, "3").
  std::optional<std::uint64_t> opt_unsigned(std::string_view key) const;
  /// On only for JSON true.
  bool flag(std::string_view key) const;
  /// Off only for JSON false (`keepChildren`).
  bool on_unless_false(std::string_view key) const;
  /// Whether the member is there, whatever its type.
  bool has(std::string_view key) const;
  /// The value unchanged whatever its type; an empty object when missing.
  const json::value& object(std::string_view key) const;
  /// The value unchanged whatever its type; null when missing.
  const json::value& value_or_null(std::string_view key) const;
  /// The member when it is an array, else null.
  const json::array* array(std::string_view key) const;
  /// The array's string elements in order, others skipped; empty when missing.
  std::vector<std::string_view> texts(std::string_view key) const;
  /// As `texts`, but absent unless the member is an array.
  std::optional<std::vector<std::string_view>> opt_texts(std::string_view key) const;

 private:
  const json::value& args_;
};

}  // namespace vemba_connector

// A plain JSON writer: recursion, a sorted vector of members per object,
// two-space indent. Deliberately untuned; the edit floor and the board
// generator use it, and neither shares code with the server.
#pragma once

#include <boost/json/value.hpp>

#include <string>

namespace bench {

/// Pretty JSON, keys sorted by byte order, no trailing line feed. The output
/// is reserved for `expected_size` bytes (a rewrite is about the size it replaces).
std::string to_plain_pretty(const boost::json::value& value, std::size_t expected_size = 0);

/// Compact JSON, keys sorted by byte order.
std::string to_plain_compact(const boost::json::value& value);

}  // namespace bench

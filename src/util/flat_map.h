#pragma once
// The hash maps and sets of the lookups made once per card or record. Open
// addressing keeps every entry in one array, so on a large board a lookup
// touches a line or two instead of a bucket and a separately allocated node.

#include <boost/unordered/unordered_flat_map.hpp>
#include <boost/unordered/unordered_flat_set.hpp>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace vemba_util {

template <class Key, class Value>
using FlatMap = boost::unordered_flat_map<Key, Value, std::hash<Key>>;

template <class Key>
using FlatSet = boost::unordered_flat_set<Key, std::hash<Key>>;

/// Hashes a text key by its bytes, so a map keyed by std::string is looked
/// up by std::string_view without a copy.
struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

/// A map that owns its text keys (no view into a document that could go
/// first), looked up by any text.
template <class Value>
using FlatTextMap = boost::unordered_flat_map<std::string, Value, TextHash, std::equal_to<>>;

}  // namespace vemba_util

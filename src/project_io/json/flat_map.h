#pragma once
// The hash maps and sets of the lookups made once per card or record. Open
// addressing keeps every entry in one array, so on a large board a lookup
// touches a line or two instead of a bucket and a separately allocated node.

#include <boost/unordered/unordered_flat_map.hpp>
#include <boost/unordered/unordered_flat_set.hpp>

#include <functional>

namespace vemba_core::project_io {

template <class Key, class Value>
using FlatMap = boost::unordered_flat_map<Key, Value, std::hash<Key>>;

template <class Key>
using FlatSet = boost::unordered_flat_set<Key, std::hash<Key>>;

}  // namespace vemba_core::project_io

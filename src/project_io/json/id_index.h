#pragma once
// Hash lookups of records by id that keep the first-match rule of the
// linear lookups, so a walk over many references stays linear.

#include "project_io/json/json.h"

#include <string_view>
#include <unordered_map>

namespace vemba_core::project_io {

/// The first record of each text `id`; views point into `records`, which
/// must outlive the index.
using IdIndex = std::unordered_map<std::string_view, const json::value*>;

/// Indexes the elements of `records` (none when it is null).
IdIndex index_by_id(const json::array* records);

/// The first record with that id, or null.
const json::value* find_in(const IdIndex& index, std::string_view id);

}  // namespace vemba_core::project_io

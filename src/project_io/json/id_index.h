#pragma once
// Hash lookups of records by id that keep the first-match rule of the
// linear lookups, so a walk over many references stays linear.

#include "project_io/json/json.h"
#include "util/flat_map.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace vemba_core::project_io {

/// The first record of each text `id`, pointing into `records`, which must
/// outlive the index. The ids are copied: a lookup then compares within the
/// table instead of reaching into the document for the record's id.
using IdIndex = vemba_util::FlatTextMap<const json::value*>;

/// Indexes the elements of `records` (none when it is null).
IdIndex index_by_id(const json::array* records);

/// The first record with that id, or null.
const json::value* find_in(const IdIndex& index, std::string_view id);

}  // namespace vemba_core::project_io

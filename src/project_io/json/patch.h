#pragma once
// Walking a patch object the way every patch operation does.

#include "project_io/json/json.h"

#include <vector>

namespace vemba_core::project_io {

/// The patch's members in ascending byte order of their keys; none when the
/// patch is not an object.
std::vector<const json::key_value_pair*> sorted_members(const json::value& patch);

}  // namespace vemba_core::project_io

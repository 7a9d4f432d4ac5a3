#pragma once
// Board queries (scoped reads; later numbering, outline and search).

#include "project_io/json.h"

#include <optional>
#include <string_view>

namespace vemba_core::project_io {

/// The part of the document a scope names; any other scope gives the whole.
json::value read_scoped(const json::value& doc, std::string_view scope, std::optional<std::string_view> group_id);

}  // namespace vemba_core::project_io

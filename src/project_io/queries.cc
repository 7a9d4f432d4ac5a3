#include "project_io/queries.h"

// Placeholder body until scoped reads land.
namespace vemba_core::project_io {

json::value read_scoped(const json::value& doc, std::string_view, std::optional<std::string_view>) { return doc; }

}  // namespace vemba_core::project_io

#include "project_io/board.h"

namespace vemba_core::project_io {

PatchResult set_project_meta(json::value&, const json::value&) { return {}; }

}  // namespace vemba_core::project_io

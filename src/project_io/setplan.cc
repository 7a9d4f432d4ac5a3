#include "project_io/setplan.h"

// Placeholder body until the default plan lands.
namespace vemba_core::project_io {

json::value default_set_plan() { return json::object(); }

}  // namespace vemba_core::project_io

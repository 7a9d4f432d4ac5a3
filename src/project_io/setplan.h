#pragma once
// Set plans (the default plan; later reading, summaries and element edits).

#include "project_io/json.h"

namespace vemba_core::project_io {

/// A fresh default plan object for a new set-plan card.
json::value default_set_plan();

}  // namespace vemba_core::project_io

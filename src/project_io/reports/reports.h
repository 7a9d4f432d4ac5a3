#pragma once
// Project reports: the integrity check and the readiness report. Both only
// read the document and never fail.

#include "project_io/json/json.h"

#include <string>
#include <vector>

namespace vemba_core::project_io {

/// The fixed `note` of the integrity check's result.
inline constexpr std::string_view kOrphanNote =
    "orphanedAssets are files in assets/ that no card references \u2014 the app's Project info > Storage can move "
    "them to .trash.";

/// Lints the document against itself and against the bare file names of the
/// project's assets folder: {note, ok, orphanedAssets, problems}.
json::value check_project(const json::value& doc, const std::vector<std::string>& asset_names);

/// The readiness report: {elements, missing, runtime, shots, sunPlans,
/// unlinkedShots, vembas}.
json::value production_report(const json::value& doc);

}  // namespace vemba_core::project_io

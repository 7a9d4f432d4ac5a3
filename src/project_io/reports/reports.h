#pragma once
// Project reports: the integrity check, the readiness report and the text
// exports (the markdown treatment and the shot-list CSV). All only read the
// document; the check and the report never fail.

#include "project_io/json/json.h"
#include "project_io/queries/queries.h"

#include <string>
#include <string_view>
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

// ---- Text exports (export.cc, shotlist_csv.cc) ----------------------------

/// "markdown" (the treatment) or "shotlist-csv", compared exactly; any other
/// format fails and names itself.
std::expected<std::string, std::string> export_text(const json::value& doc, std::string_view format);

/// Every shot list as one CSV table; fails when the board has none.
std::expected<std::string, std::string> shotlist_csv(const json::value& doc);
/// The shot's own text when it is not blank, else the linked card's `key`
/// when that is a text (blank or not), else the empty text.
std::string_view pull_from_linked(const json::value* card, std::string_view own, std::string_view key);
/// Quoted, with inner quotes doubled, when the text holds a comma, a double
/// quote, a line feed or a carriage return; otherwise unchanged.
std::string csv_cell(std::string_view text);

}  // namespace vemba_core::project_io

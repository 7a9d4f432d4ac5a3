#pragma once
// Text exports of a project: the markdown treatment and the shot-list CSV.
// Both only read the document.

#include "project_io/json/json.h"
#include "project_io/queries/queries.h"

#include <string>
#include <string_view>

namespace vemba_core::project_io {

/// "markdown" (the treatment) or "shotlist-csv", compared exactly; any other
/// format fails and names itself.
std::expected<std::string, std::string> export_text(const json::value& doc, std::string_view format);

/// Appends one card's piece of the treatment; hidden cards and types the
/// treatment does not show add nothing.
void render_node_markdown(const StoryNumbers& numbers, const json::value& node, std::string& out);

/// Every shot list as one CSV table; fails when the board has none.
std::expected<std::string, std::string> shotlist_csv(const json::value& doc);
/// The shot's own text when it is not blank, else the linked card's `key`
/// when that is a text (blank or not), else the empty text.
std::string_view pull_from_linked(const json::value* card, std::string_view own, std::string_view key);
/// Quoted, with inner quotes doubled, when the text holds a comma, a double
/// quote or a line feed; otherwise unchanged.
std::string csv_cell(std::string_view text);

}  // namespace vemba_core::project_io

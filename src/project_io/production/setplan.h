#pragma once
// Set plans: the default plan, finding and repairing a card's plan, the
// one-line summary, the read, the whole-plan replacement and the element
// edits.

#include "project_io/json/json.h"

#include <string>
#include <string_view>
#include <vector>

namespace vemba_core::project_io {

/// A fresh default plan object for a new set-plan card.
json::value default_set_plan();

/// The plan of the first card with that id, which must be a set plan ("node
/// not found: {id}", "node {id} is not a setplan"). A plan that is not an
/// object becomes the default plan and `elements` that is not an array an
/// empty one, in the document.
std::expected<json::object*, std::string> plan_of(json::value& doc, std::string_view node_id);

/// 'Set Plan "Stage": 5.0×3.5 m room, 0 elements, rays off, light floor.'
/// Reads whatever `plan` holds leniently.
std::string summarize_set_plan(std::string_view title, const json::value& plan);

/// The summary, an empty line and the plan as pretty JSON (the default plan
/// when the card has none). Changes nothing.
std::expected<std::string, std::string> read_set_plan(const json::value& doc, std::string_view node_id);

/// Replaces the card's plan whole with `plan`, which must be an object; an
/// unusable `sensorW` keeps the old plan's. Returns the summary.
std::expected<std::string, std::string> edit_set_plan(json::value& doc, std::string_view node_id,
                                                      const json::value& plan);

/// Appends a copy of `element` with a new id and default x, y, rot; its
/// `kind` must be one of the ten kinds. Returns the new id.
std::expected<std::string, std::string> add_plan_element(json::value& doc, std::string_view node_id,
                                                         const json::value& element);
/// Stores every patch key but `id` in the first element with that id;
/// returns the keys applied.
std::expected<std::vector<std::string>, std::string> edit_plan_element(json::value& doc, std::string_view node_id,
                                                                       std::string_view element_id,
                                                                       const json::value& patch);
/// Removes every element with that id.
Status remove_plan_element(json::value& doc, std::string_view node_id, std::string_view element_id);

}  // namespace vemba_core::project_io

// Adding, patching and removing one set-plan element at a time.

#include "project_io/production/production.h"

#include "project_io/json/patch.h"
#include "project_io/model/document.h"

#include <fmt/format.h>

#include <algorithm>
#include <iterator>

namespace vemba_core::project_io {
namespace {

// In the order the refusal lists them.
constexpr std::string_view kElementKinds[] = {"camera", "light",  "subject", "prop", "modifier",
                                              "wall",   "window", "door",    "note", "path"};

std::string kind_refusal(std::string_view kind) {
  std::string list;
  for (std::string_view k : kElementKinds) list += fmt::format("{}\"{}\"", list.empty() ? "" : ", ", k);
  return fmt::format("element kind must be one of [{}] (got: {})", list, kind);
}

void default_number(json::object& element, std::string_view key, double fallback) {
  const json::value* v = element.if_contains(key);
  if (!v || !v->is_number()) element[key] = fallback;
}

std::unexpected<std::string> element_not_found(std::string_view id) { return not_found("element", id); }

/// The plan's elements; `plan_of` has made sure they are an array.
json::array& elements_of(json::object& plan) { return plan["elements"].get_array(); }

}  // namespace

std::expected<std::string, std::string> add_plan_element(json::value& doc, std::string_view node_id,
                                                         const json::value& element) {
  const std::string_view kind = opt_text_of(element, "kind").value_or("");
  if (std::ranges::find(kElementKinds, kind) == std::end(kElementKinds)) return std::unexpected(kind_refusal(kind));
  std::string id = fmt::format("e{}", next_uid(doc));
  // An element with a text kind is an object.
  json::object copy = element.get_object();
  copy["id"] = id;
  default_number(copy, "x", 200.0);
  default_number(copy, "y", 150.0);
  default_number(copy, "rot", 0.0);
  auto plan = plan_of(doc, node_id);
  if (!plan) return std::unexpected(plan.error());
  elements_of(**plan).push_back(std::move(copy));
  return id;
}

std::expected<std::vector<std::string>, std::string> edit_plan_element(json::value& doc, std::string_view node_id,
                                                                       std::string_view element_id,
                                                                       const json::value& patch) {
  auto plan = plan_of(doc, node_id);
  if (!plan) return std::unexpected(plan.error());
  json::array& elements = elements_of(**plan);
  const std::optional<std::size_t> at = find_by_id(elements, element_id);
  if (!at) return element_not_found(element_id);
  json::object& element = elements[*at].get_object();
  // Every key but `id` is taken, and only the keys applied are reported.
  PatchResult keys = walk_patch(patch, [&](std::string_view key, const json::value& value) {
    if (key == "id") return KeyVerdict::ignored(std::string(key));
    element[key] = value;
    return KeyVerdict::applied(key);
  });
  return std::move(keys.applied);
}

Status remove_plan_element(json::value& doc, std::string_view node_id, std::string_view element_id_arg) {
  // Own the id: the caller's view may point into an element being erased.
  const std::string element_id(element_id_arg);
  auto plan = plan_of(doc, node_id);
  if (!plan) return std::unexpected(plan.error());
  json::array& elements = elements_of(**plan);
  const auto end = std::remove_if(elements.begin(), elements.end(),
                                  [&](const json::value& element) { return id_of(element) == element_id; });
  if (end == elements.end()) return element_not_found(element_id);
  elements.erase(end, elements.end());
  return {};
}

}  // namespace vemba_core::project_io

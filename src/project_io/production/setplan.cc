#include "project_io/production/production.h"

#include "project_io/board/board.h"

#include <fmt/format.h>

#include <unordered_map>
#include <utility>

namespace vemba_core::project_io {
namespace {

/// Position in `nodes` of the first card with that id, a set plan.
std::expected<std::size_t, std::string> setplan_index(const json::value& doc, std::string_view node_id) {
  const std::optional<std::size_t> index = find_node_index(doc, node_id);
  if (!index) return node_not_found(node_id);
  if (opt_text_of((*array_of(doc, "nodes"))[*index], "type") != "setplan")
    return std::unexpected(fmt::format("node {} is not a setplan", node_id));
  return *index;
}

/// " (2 camera, 1 light)" in order of first appearance; "" without elements.
std::string kinds_part(const json::value& plan) {
  const json::array* elements = array_of(plan, "elements");
  if (!elements || elements->empty()) return {};
  std::vector<std::pair<std::string_view, std::uint64_t>> counts;
  std::unordered_map<std::string_view, std::size_t> slot;
  for (const json::value& element : *elements) {
    const std::string_view kind = opt_text_of(element, "kind").value_or("element");
    auto [it, added] = slot.try_emplace(kind, counts.size());
    if (added) counts.emplace_back(kind, 0);
    ++counts[it->second].second;
  }
  std::string out = " (";
  for (std::size_t i = 0; i < counts.size(); ++i)
    out += fmt::format("{}{} {}", i ? ", " : "", counts[i].second, counts[i].first);
  return out + ")";
}

}  // namespace

std::expected<json::object*, std::string> plan_of(json::value& doc, std::string_view node_id) {
  const auto index = setplan_index(doc, node_id);
  if (!index) return std::unexpected(index.error());
  // The lookup matched a text `id`, so the card is an object.
  json::value& plan = (*array_of(doc, "nodes"))[*index].get_object()["plan"];
  if (!plan.is_object()) plan = default_set_plan();
  json::value& elements = plan.get_object()["elements"];
  if (!elements.is_array()) elements = json::array();
  return &plan.get_object();
}

std::string summarize_set_plan(std::string_view title, const json::value& plan) {
  const json::value none;
  const json::value* scale = member(plan, "scale");
  if (!scale) scale = &none;
  const json::array* elements = array_of(plan, "elements");
  return fmt::format("Set Plan \"{}\": {:.1f}\u00d7{:.1f} {} room, {} elements{}, rays {}, {} floor.", title,
                     number_or(*scale, "roomW", 0), number_or(*scale, "roomH", 0),
                     opt_text_of(*scale, "unit").value_or("m"), elements ? elements->size() : 0, kinds_part(plan),
                     flag_of(plan, "showRays") ? "on" : "off", flag_of(plan, "dark") ? "dark" : "light");
}

std::expected<std::string, std::string> read_set_plan(const json::value& doc, std::string_view node_id) {
  const auto index = setplan_index(doc, node_id);
  if (!index) return std::unexpected(index.error());
  const json::value& node = (*array_of(doc, "nodes"))[*index];
  // A plan of any other type is shown as it is; only a missing one is
  // replaced, and only in the reply.
  json::value fallback;
  const json::value* plan = member(node, "plan");
  if (!plan) {
    fallback = default_set_plan();
    plan = &fallback;
  }
  return fmt::format("{}\n\n{}", summarize_set_plan(text_of(node, "title"), *plan), to_pretty(*plan));
}

std::expected<std::string, std::string> edit_set_plan(json::value& doc, std::string_view node_id,
                                                      const json::value& plan_arg) {
  if (!plan_arg.is_object()) return std::unexpected(std::string("'plan' must be a JSON object"));
  const auto index = setplan_index(doc, node_id);
  if (!index) return std::unexpected(index.error());
  json::value plan = plan_arg;
  json::object& node = (*array_of(doc, "nodes"))[*index].get_object();
  // The app draws every camera cone from the sensor width, so a plan sent
  // without a usable one keeps the card's.
  const std::optional<double> sensor = number_of(plan, "sensorW");
  if (!sensor || *sensor <= 0)
    if (const json::value* old = node.if_contains("plan"))
      if (const json::value* old_sensor = member(*old, "sensorW")) plan.get_object()["sensorW"] = *old_sensor;
  node["plan"] = std::move(plan);
  return summarize_set_plan(text_of(node, "title"), node["plan"]);
}

}  // namespace vemba_core::project_io

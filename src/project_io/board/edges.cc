#include "project_io/board/board.h"

#include <fmt/format.h>

namespace vemba_core::project_io {

Status connect_vembas(json::value& doc, std::string_view from, std::string_view to, std::string_view type,
                      std::string_view label, std::optional<std::string_view> condition) {
  if (!find_node_index(doc, from)) return not_found("from vemba", from);
  if (!find_node_index(doc, to)) return not_found("to vemba", to);
  json::array* edges = array_of(doc, "edges");
  if (!edges) return not_array("edges");
  // Neither the type nor an existing edge between the pair is checked: the
  // app allows parallel and self edges of any type.
  json::object edge{{"from", from}, {"to", to}, {"type", type}, {"label", label}};
  if (condition) edge["condition"] = *condition;
  edges->push_back(std::move(edge));
  return {};
}

}  // namespace vemba_core::project_io

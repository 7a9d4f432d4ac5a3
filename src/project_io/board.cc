#include "project_io/board.h"

// Placeholder bodies until the card operations land.
namespace vemba_core::project_io {
namespace {
std::unexpected<std::string> pending(std::string_view op) { return std::unexpected(std::string(op) + " is not available yet"); }
}  // namespace

std::optional<std::size_t> find_node_index(const json::value& doc, std::string_view id) {
  const json::array* nodes = array_of(doc, "nodes");
  return nodes ? find_by_id(*nodes, id) : std::nullopt;
}
std::optional<std::size_t> find_group_index(const json::value& doc, std::string_view id) {
  const json::array* groups = array_of(doc, "groups");
  return groups ? find_by_id(*groups, id) : std::nullopt;
}
std::expected<std::string, std::string> add_vemba(json::value&, std::string_view, std::string_view,
                                                  std::optional<std::string_view>) { return pending("add_vemba"); }
std::expected<std::string, std::string> add_node(json::value&, std::string_view, std::string_view, std::string_view) {
  return pending("add_node");
}
Status convert_node_type(json::value&, std::string_view, std::string_view) { return pending("convert_node_type"); }
std::expected<std::string, std::string> delete_node(json::value&, std::string_view) { return pending("delete_node"); }
Status move_node(json::value&, std::string_view, double, double) { return pending("move_node"); }
Status reorder_node(json::value&, std::string_view, std::int64_t) { return pending("reorder_node"); }
std::expected<PatchResult, std::string> edit_vemba(json::value&, std::string_view, const json::value&) {
  return pending("edit_vemba");
}
Status connect_vembas(json::value&, std::string_view, std::string_view, std::string_view, std::string_view,
                      std::optional<std::string_view>) { return pending("connect_vembas"); }
PatchResult set_project_meta(json::value&, const json::value&) { return {}; }
std::expected<std::string, std::string> add_video_embed(json::value&, std::string_view, std::optional<double>,
                                                        std::optional<double>) { return pending("add_video_embed"); }

}  // namespace vemba_core::project_io

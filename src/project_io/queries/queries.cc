#include "project_io/queries/queries.h"

#include <functional>
#include <initializer_list>

namespace vemba_core::project_io {
namespace {

// The named members of the document; a missing one is null.
json::value slice(const json::value& doc, std::initializer_list<std::string_view> keys) {
  json::object out;
  for (std::string_view key : keys) out[key] = member_or(doc, key, nullptr);
  return out;
}

// Membership by `groupId` alone: a card that only lies inside the box is not
// a member here.
json::value nodes_slice(const json::value& doc, std::optional<std::string_view> group_id) {
  json::array nodes;
  if (const json::array* all = array_of(doc, "nodes")) {
    if (!group_id) {
      nodes = *all;
    } else {
      for (const json::value& node : *all)
        if (opt_text_of(node, "groupId") == *group_id) nodes.push_back(node);
    }
  }
  return json::object{{"nodes", std::move(nodes)}};
}

}  // namespace

json::value read_scoped(const json::value& doc, std::string_view scope, std::optional<std::string_view> group_id) {
  if (scope == "edges") return slice(doc, {"edges"});
  if (scope == "media") return slice(doc, {"documents", "images", "mediaShelf", "videoEmbeds"});
  if (scope == "nodes") return nodes_slice(doc, group_id);
  if (scope == "groups") return slice(doc, {"groups"});
  return doc;
}

std::string annotated_text(const json::value& doc, std::size_t file_size) {
  const json::array* nodes = array_of(doc, "nodes");
  if (!nodes) return to_pretty(doc);
  // Each annotated card gains three lines of about 30 bytes.
  const std::size_t expected = file_size + file_size / 16 + 96 * nodes->size();
  const std::less<const json::value*> before;
  json::object sizes;  // the card being written's
  const Overlay overlay = [&](const json::value& v) -> const json::object* {
    if (before(&v, nodes->data()) || !before(&v, nodes->data() + nodes->size())) return nullptr;
    const NodeSize size = node_size(v);
    sizes["w"] = size.w;
    sizes["h"] = size.h;
    sizes["measured"] = size.measured;
    return &sizes;
  };
  return to_pretty_overlaid(doc, overlay, expected);
}

json::value annotate_sizes(const json::value& doc) {
  json::value copy = doc;
  if (json::array* nodes = array_of(copy, "nodes")) {
    for (json::value& node : *nodes) {
      // Elements that are not objects have nowhere to hold a size.
      json::object* card = node.if_object();
      if (!card) continue;
      const NodeSize size = node_size(node);
      (*card)["w"] = size.w;
      (*card)["h"] = size.h;
      (*card)["measured"] = size.measured;
    }
  }
  return copy;
}

std::string scoped_text(const json::value& doc, std::string_view scope, std::optional<std::string_view> group_id,
                        std::size_t file_size) {
  if (scope == "all" && !group_id) return annotated_text(doc, file_size);
  return to_pretty(read_scoped(annotate_sizes(doc), scope, group_id));
}

}  // namespace vemba_core::project_io

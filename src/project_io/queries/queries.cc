#include "project_io/queries/queries.h"

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

}  // namespace vemba_core::project_io

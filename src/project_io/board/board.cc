#include "project_io/board/board.h"

#include "project_io/model/document.h"

#include <fmt/format.h>
#include <algorithm>
#include <limits>
#include <span>
#include <unordered_set>

namespace vemba_core::project_io {
namespace {

constexpr double kNewCardY = 120;

constexpr std::string_view kNodeKinds[] = {"note",    "prop",     "title",    "thought",   "setplan",  "gallery",
                                           "palette", "location", "shotlist", "character", "checklist"};
// Shot lists are made by add_node only: a converted card would lack its scenes.
constexpr std::string_view kConvertTypes[] = {"vemba",   "note",    "prop",     "title",     "thought",  "gallery",
                                              "palette", "setplan", "location", "character", "checklist"};

bool is_one_of(std::span<const std::string_view> names, std::string_view name) {
  return std::ranges::find(names, name) != names.end();
}

// The id and position every new card starts with.
json::object new_card(EditIndex& index, std::string_view type, std::string_view title, std::string_view body) {
  json::object card;
  card["id"] = fmt::format("n{}", index.next_uid());
  card["type"] = type;
  card["title"] = title;
  card["body"] = body;
  card["images"] = json::array();
  card["x"] = index.default_card_x();
  card["y"] = kNewCardY;
  card["color"] = nullptr;
  card["hidden"] = false;
  return card;
}

void add_story_fields(json::object& card) {
  for (std::string_view key : {"product", "shotType", "duration", "slug", "seqName"}) card[key] = "";
  card["documents"] = json::array();
  card["tones"] = json::array();
  card["alt"] = false;
  card["collapsed"] = false;
  card["seqStart"] = false;
}

void add_kind_fields(json::object& card, std::string_view kind) {
  if (kind == "shotlist") {
    card["shots"] = json::array();
    card["scenes"] = json::array();
  } else if (kind == "setplan") {
    card["plan"] = default_set_plan();
  } else if (kind == "palette") {
    card["colors"] = json::array();
  } else if (kind == "checklist") {
    card["items"] = json::array{json::object{{"t", ""}, {"done", false}}};
  }
}

using IdSet = std::unordered_set<std::string_view>;

bool names_one_of(const json::value& record, std::string_view key, const IdSet& ids) {
  const std::optional<std::string_view> id = opt_text_of(record, key);
  return id && ids.contains(*id);
}

void remove_edges_of(json::value& doc, const IdSet& ids) {
  json::array* edges = array_of(doc, "edges");
  if (!edges) return;
  json::array kept;
  kept.reserve(edges->size());
  for (json::value& edge : *edges)
    if (!names_one_of(edge, "from", ids) && !names_one_of(edge, "to", ids)) kept.push_back(std::move(edge));
  *edges = std::move(kept);
}

void remove_from_bindings(json::value& doc, const IdSet& ids) {
  json::array* bindings = array_of(doc, "bindings");
  if (!bindings) return;
  for (json::value& binding : *bindings) {
    json::array* members = array_of(binding, "members");
    if (!members) continue;
    json::array kept;
    kept.reserve(members->size());
    for (json::value& m : *members) {
      const json::string* s = m.if_string();
      if (!s || !ids.contains(std::string_view(*s))) kept.push_back(std::move(m));
    }
    *members = std::move(kept);
  }
}

}  // namespace

void forget_cards(json::value& doc, std::span<const std::string> ids) {
  if (ids.empty()) return;
  const IdSet set(ids.begin(), ids.end());
  // One pass over the edges and bindings however many cards went.
  remove_edges_of(doc, set);
  remove_from_bindings(doc, set);
}

bool is_story_card(const json::value& node) { return node_type(node) == "vemba"; }

std::optional<std::size_t> find_node_index(const json::value& doc, std::string_view id) {
  const json::array* nodes = array_of(doc, "nodes");
  return nodes ? find_by_id(*nodes, id) : std::nullopt;
}

std::optional<std::size_t> find_group_index(const json::value& doc, std::string_view id) {
  const json::array* groups = array_of(doc, "groups");
  return groups ? find_by_id(*groups, id) : std::nullopt;
}

std::unexpected<std::string> node_not_found(std::string_view id) { return not_found("node", id); }

std::unexpected<std::string> group_not_found(std::string_view id) { return not_found("group", id); }

std::expected<json::object*, std::string> find_node(json::value& doc, std::string_view id) {
  const std::optional<std::size_t> index = find_node_index(doc, id);
  if (!index) return node_not_found(id);
  // The lookup matched a text `id`, so the element is an object.
  return &(*array_of(doc, "nodes"))[*index].get_object();
}

std::string_view node_type(const json::value& node) { return type_or_vemba(member(node, "type")); }

std::string_view type_or_vemba(const json::value* type) { return opt_text(type).value_or("vemba"); }

std::int64_t order_or_last(const json::value* order) {
  return integer(order).value_or(std::numeric_limits<std::int64_t>::max());
}

double default_card_x(const json::value& doc) { return EditIndex(doc).default_card_x(); }

std::expected<json::object*, std::string> find_node(json::value& doc, std::string_view id, EditIndex& index) {
  const std::optional<std::size_t> at = index.find_node(id);
  if (!at) return node_not_found(id);
  return &(*array_of(doc, "nodes"))[*at].get_object();
}

std::expected<std::string, std::string> add_vemba(json::value& doc, std::string_view title, std::string_view body,
                                                  std::optional<std::string_view> after, EditIndex& index) {
  json::array* nodes = array_of(doc, "nodes");
  if (!nodes) return not_array("nodes");
  json::object card = new_card(index, "vemba", title, body);
  add_story_fields(card);
  const std::string id(card["id"].get_string());
  // `after` is looked up as the nodes will stand with the new card in, so it
  // may name the card itself. Everything is checked and built before the
  // first change, so a failure leaves the document as it was.
  const bool chain = after && (index.find_node(*after) || *after == id);
  json::array* edges = array_of(doc, "edges");
  if (chain && !edges) return not_array("edges");
  json::object edge;
  if (chain) edge = json::object{{"from", *after}, {"to", id}, {"type", "continues"}, {"label", ""}};
  nodes->push_back(std::move(card));
  index.node_appended();
  if (chain) edges->push_back(std::move(edge));
  return id;
}

std::expected<std::string, std::string> add_node(json::value& doc, std::string_view kind, std::string_view title,
                                                 std::string_view body, EditIndex& index) {
  if (!is_one_of(kNodeKinds, kind)) return std::unexpected(fmt::format("unsupported node kind: {}", kind));
  json::array* nodes = array_of(doc, "nodes");
  if (!nodes) return not_array("nodes");
  json::object card = new_card(index, kind, title, body);
  add_kind_fields(card, kind);
  std::string id(card["id"].get_string());
  nodes->push_back(std::move(card));
  index.node_appended();
  return id;
}

Status convert_node_type(json::value& doc, std::string_view id, std::string_view new_type) {
  if (!is_one_of(kConvertTypes, new_type)) return std::unexpected(fmt::format("unsupported type: {}", new_type));
  auto card = find_node(doc, id);
  if (!card) return std::unexpected(card.error());
  (**card)["type"] = new_type;
  return {};
}

std::expected<std::string, std::string> delete_node(json::value& doc, std::string_view id_arg) {
  // Own the id: the caller's view may point into the card being erased.
  const std::string id(id_arg);
  const std::optional<std::size_t> index = find_node_index(doc, id);
  if (!index) return node_not_found(id);
  json::array& nodes = *array_of(doc, "nodes");
  nodes.erase(nodes.begin() + static_cast<std::ptrdiff_t>(*index));
  forget_cards(doc, std::span<const std::string>(&id, 1));
  return id;
}

Status move_node(json::value& doc, std::string_view id, double x, double y, EditIndex& index) {
  auto card = find_node(doc, id, index);
  if (!card) return std::unexpected(card.error());
  (**card)["x"] = x;
  (**card)["y"] = y;
  return {};
}

Status reorder_node(json::value& doc, std::string_view id, std::int64_t order) {
  auto card = find_node(doc, id);
  if (!card) return std::unexpected(card.error());
  (**card)["order"] = order;
  return {};
}

}  // namespace vemba_core::project_io

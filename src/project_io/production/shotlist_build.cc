// Building a linked shot list from the board's story cards.

#include "project_io/production/production.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace vemba_core::project_io {
namespace {

/// A chosen story card. Owned copies: adding the list and its records moves
/// the document's strings.
struct Candidate {
  std::string id;
  std::optional<std::string> group;  // a text `groupId`, the empty one included
  double x = 0;
};

struct Bucket {
  std::optional<std::string> group;
  std::vector<std::string> card_ids;
};

class Filter {
 public:
  Filter(std::optional<std::string_view> group_id, const std::optional<std::vector<std::string_view>>& node_ids)
      : group_id_(group_id), by_ids_(!group_id && node_ids) {
    if (by_ids_) ids_.insert(node_ids->begin(), node_ids->end());
  }

  bool chooses(const json::value& card) const {
    if (group_id_) return opt_text_of(card, "groupId") == *group_id_;
    if (!by_ids_) return true;
    const std::optional<std::string_view> id = id_of(card);
    return id && ids_.contains(*id);
  }

 private:
  std::optional<std::string_view> group_id_;
  bool by_ids_;
  std::unordered_set<std::string_view> ids_;
};

std::vector<Candidate> candidates(const json::array& nodes, const Filter& filter) {
  std::vector<Candidate> chosen;
  for (const json::value& node : nodes) {
    if (!is_story_card(node) || !filter.chooses(node)) continue;
    const std::optional<std::string_view> group = opt_text_of(node, "groupId");
    chosen.push_back({std::string(id_of(node).value_or("")), group ? std::optional<std::string>(*group) : std::nullopt,
                      number_or(node, "x", 0)});
  }
  // Left to right; cards at the same x keep their board order.
  std::stable_sort(chosen.begin(), chosen.end(), [](const Candidate& a, const Candidate& b) { return a.x < b.x; });
  return chosen;
}

/// One bucket per group key, in order of the key's first card.
std::vector<Bucket> buckets_of(std::vector<Candidate>& cards) {
  std::vector<Bucket> buckets;
  std::unordered_map<std::string, std::size_t> by_group;
  std::optional<std::size_t> loose;
  for (Candidate& card : cards) {
    std::size_t at = buckets.size();
    if (!card.group) {
      at = loose.value_or(at);
      loose = at;
    } else {
      at = by_group.try_emplace(*card.group, at).first->second;
    }
    if (at == buckets.size()) buckets.push_back({card.group, {}});
    buckets[at].card_ids.push_back(std::move(card.id));
  }
  return buckets;
}

/// The given list's id, else that of a new list; opening it checks the first.
std::expected<std::string, std::string> target_list(json::value& doc, std::optional<std::string_view> list_id) {
  if (!list_id) {
    EditIndex index(doc);
    return add_node(doc, "shotlist", "Shot list", "", index);
  }
  return std::string(*list_id);
}

}  // namespace

std::expected<BuiltShotList, std::string> build_shot_list(
    json::value& doc, std::optional<std::string_view> list_id, std::optional<std::string_view> group_id,
    const std::optional<std::vector<std::string_view>>& node_ids) {
  const json::array* nodes = array_of(doc, "nodes");
  if (!nodes) return not_array("nodes");
  std::vector<Candidate> cards = candidates(*nodes, Filter(group_id, node_ids));
  if (cards.empty()) return std::unexpected(std::string("no vembas matched \u2014 check the groupId / nodeIds"));

  auto list = target_list(doc, list_id);
  if (!list) return std::unexpected(list.error());
  auto adder = ShotListAdder::open(doc, *list);
  if (!adder) return std::unexpected(adder.error());
  BuiltShotList built{*list, 0, 0};
  const json::value no_fields = json::object();
  for (const Bucket& bucket : buckets_of(cards)) {
    const std::optional<std::string_view> group =
        bucket.group ? std::optional<std::string_view>(*bucket.group) : std::nullopt;
    auto scene = adder->add_scene("", group);
    if (!scene) return std::unexpected(scene.error());
    ++built.scenes;
    for (const std::string& card_id : bucket.card_ids) {
      auto shot = adder->add_shot(*scene, card_id, no_fields);
      if (!shot) return std::unexpected(shot.error());
      ++built.shots;
    }
  }
  return built;
}

}  // namespace vemba_core::project_io

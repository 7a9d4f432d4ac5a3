// The outline: groups with their owned cards, then the cards of no group.

#include "project_io/queries/queries.h"

#include "project_io/board/board.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace vemba_core::project_io {
namespace {

// What a card's summary shows and its order, read in one walk over its members.
enum Field { kId, kType, kRole, kTitle, kHidden, kOrder };
constexpr auto kSummaryKeys = std::to_array<std::string_view>({"id", "type", "role", "title", "hidden", "order"});
static_assert(kSummaryKeys.size() == kOrder + 1, "a key per field");
using SummaryFields = Fields<kSummaryKeys.size()>;

json::value summary(const SummaryFields& f, const StoryNumbers& numbers, const json::storage_ptr& sp) {
  json::object out({{"id", copy_or(f[kId], nullptr)},
                    {"type", copy_or(f[kType], "vemba")},
                    {"role", copy_or(f[kRole], "")},
                    {"title", copy_or(f[kTitle], "")},
                    {"hidden", copy_or(f[kHidden], false)}},
                   sp);
  if (const std::optional<std::string_view> id = opt_text(f[kId]))
    if (auto it = numbers.find(*id); it != numbers.end()) out["number"] = it->second;
  return out;
}

// An owned card: where its order sorts it (see order_or_last) and where its summary is.
struct Member {
  std::int64_t order;
  std::size_t summary;
};

}  // namespace

json::value get_outline(const json::value& doc) {
  // Built in the document's own storage: with a document arena that is a
  // pointer bump per value and nothing to free.
  const json::storage_ptr& sp = doc.storage();
  const json::array& nodes = array_or_empty(doc, "nodes");
  const json::array& groups = array_or_empty(doc, "groups");
  const StoryNumbers numbers = vemba_numbers(doc);
  const OwnerMap owners = node_owner_map(doc);

  // Every summary is made in one pass in document order, and the owned ones
  // are listed by owner, so no card is read twice.
  FlatMap<std::string_view, std::vector<Member>> owned;
  std::vector<json::value> summaries;
  json::array orphans(sp);
  for (const json::value& node : nodes) {
    const SummaryFields f(node, kSummaryKeys);
    const std::optional<std::string_view> id = opt_text(f[kId]);
    const std::optional<std::string_view> owner = id ? owner_of(owners, *id) : std::nullopt;
    if (!owner) {
      orphans.push_back(summary(f, numbers, sp));
      continue;
    }
    owned[*owner].push_back({order_or_last(f[kOrder]), summaries.size()});
    summaries.push_back(summary(f, numbers, sp));
  }

  // Groups sharing an id list the same cards: the last of them takes the
  // summaries, the others copies.
  FlatMap<std::string_view, std::size_t> listings;
  for (const json::value& group : groups) ++listings[id_of(group).value_or("")];

  json::array entries(sp);
  for (const json::value& group : groups) {
    const std::string_view id = id_of(group).value_or("");
    const bool last = --listings[id] == 0;
    std::vector<Member> members;
    if (auto it = owned.find(id); it != owned.end()) members = it->second;
    std::stable_sort(members.begin(), members.end(),
                     [](const Member& a, const Member& b) { return a.order < b.order; });
    json::array listed(sp);
    listed.reserve(members.size());
    for (const Member& member : members) {
      json::value& made = summaries[member.summary];
      listed.push_back(last ? std::move(made) : json::value(made, sp));
    }
    entries.push_back(json::object({{"id", id_of(group).value_or("")},
                                    {"name", member_or(group, "name", "")},
                                    {"role", member_or(group, "role", "")},
                                    {"order", member_or(group, "order", nullptr)},
                                    {"hidden", member_or(group, "hidden", false)},
                                    {"nodes", std::move(listed)}},
                                   sp));
  }
  return json::object(
      {{"project", member_or(doc, "name", nullptr)}, {"groups", std::move(entries)}, {"orphans", std::move(orphans)}},
      sp);
}

}  // namespace vemba_core::project_io

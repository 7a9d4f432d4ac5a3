// The export entry and the markdown treatment: the project's title and
// context, each visible group as a section, then the cards no group owns.

#include "project_io/reports/reports.h"

#include "project_io/board/board.h"
#include "project_io/geometry/geometry.h"
#include "project_io/json/text.h"
#include "project_io/queries/queries.h"
#include "project_io/reports/treatment_card.h"

#include <fmt/format.h>

#include <algorithm>
#include <tuple>
#include <vector>

namespace vemba_core::project_io {
namespace {

using Cards = std::vector<const json::value*>;

bool hidden_from_export(const json::value& record) {
  return flag_of(record, "hidden") || flag_of(record, "hiddenInExport");
}

double x_of(const json::value& record) { return number_or(record, "x", 0); }

// Stable, so items with equal keys keep the order they came in; each key is
// taken once.
template <class T, class Key>
void sort_by(std::vector<T>& items, Key key) {
  using K = decltype(key(items.front()));
  std::vector<std::pair<K, std::size_t>> keyed;
  keyed.reserve(items.size());
  for (std::size_t i = 0; i < items.size(); ++i) keyed.emplace_back(key(items[i]), i);
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<T> sorted;
  sorted.reserve(items.size());
  for (const auto& [k, i] : keyed) sorted.push_back(std::move(items[i]));
  items = std::move(sorted);
}

void append_sections(const json::value& doc, const StoryNumbers& numbers, const OwnerMap& owners, std::string& out) {
  // Members by owner in document order, so each group finds its own at once.
  FlatMap<std::string_view, std::vector<TreatmentCard>> members;
  std::vector<TreatmentCard> loose;
  if (const json::array* nodes = array_of(doc, "nodes"))
    for (const json::value& node : *nodes) {
      const TreatmentCard card = treatment_card(node);
      if (!card.id) continue;
      if (const auto owner = owner_of(owners, *card.id))
        members[*owner].push_back(card);
      else
        loose.push_back(card);
    }
  Cards groups;
  if (const json::array* all = array_of(doc, "groups"))
    for (const json::value& group : *all) groups.push_back(&group);
  sort_by(groups, [](const json::value* group) { return x_of(*group); });
  for (const json::value* group : groups) {
    if (hidden_from_export(*group)) continue;
    out += fmt::format("\n## {}\n", text_of(*group, "name"));
    const auto found = members.find(text_of(*group, "id"));
    if (found == members.end()) continue;
    std::vector<TreatmentCard> cards = found->second;
    sort_by(cards, [](const TreatmentCard& c) { return std::tuple(c.order, c.x); });
    for (const TreatmentCard& card : cards) append_treatment_card(numbers, card, out);
  }
  if (loose.empty()) return;
  sort_by(loose, [](const TreatmentCard& c) { return c.x; });
  out += '\n';
  for (const TreatmentCard& card : loose) append_treatment_card(numbers, card, out);
}

std::string treatment(const json::value& doc) {
  const StoryNumbers numbers = vemba_numbers(doc);
  const OwnerMap owners = node_owner_map(doc);
  std::string out = fmt::format("# {}\n", opt_text_of(doc, "name").value_or("Untitled"));
  if (const std::string_view context = trim_white(text_of(doc, "context")); !context.empty())
    out += fmt::format("\n_{}_\n", context);
  append_sections(doc, numbers, owners, out);
  return out;
}

}  // namespace

std::expected<std::string, std::string> export_text(const json::value& doc, std::string_view format) {
  if (format == "markdown") return treatment(doc);
  if (format == "shotlist-csv") return shotlist_csv(doc);
  return std::unexpected(fmt::format("unknown format: {}. Use 'markdown' (the treatment) or 'shotlist-csv'.", format));
}

}  // namespace vemba_core::project_io

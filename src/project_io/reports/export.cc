// The export entry and the markdown treatment: the project's title and
// context, each visible group as a section, then the cards no group owns.

#include "project_io/reports/reports.h"

#include "project_io/board/board.h"
#include "project_io/geometry/geometry.h"
#include "project_io/json/text.h"
#include "project_io/queries/queries.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cstdint>
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

std::string quoted(std::string_view body) {
  std::string out;
  for (const char c : body) {
    out += c;
    if (c == '\n') out += "> ";
  }
  return out;
}

// What the treatment shows of a card and sorts it by, read in one pass in
// document order, so the sorted walk after it never goes back to the card.
struct Card {
  bool hidden;
  std::string_view type, id, title, body, slug;
  std::int64_t order;  // a card without a usable order sorts after every card with one
  double x;
};

// The members a card is read for, found in one walk over them.
enum Field { kHidden, kHiddenInExport, kType, kId, kTitle, kBody, kSlug, kOrder, kX };
constexpr auto kCardKeys =
    std::to_array<std::string_view>({"hidden", "hiddenInExport", "type", "id", "title", "body", "slug", "order", "x"});
static_assert(kCardKeys.size() == kX + 1, "a key per field");
using CardFields = Fields<kCardKeys.size()>;

Card card_of(const CardFields& f) {
  const auto text = [&](Field field) { return opt_text(f[field]).value_or(""); };
  return {flag(f[kHidden]) || flag(f[kHiddenInExport]),
          type_or_vemba(f[kType]),
          text(kId),
          text(kTitle),
          trim_white(text(kBody)),
          trim_white(text(kSlug)),
          order_or_last(f[kOrder]),
          number(f[kX]).value_or(0)};
}

void render_card(const StoryNumbers& numbers, const Card& card, std::string& out) {
  if (card.hidden) return;
  if (card.type == "vemba") {
    const auto number = numbers.find(card.id);
    const std::string prefix = number == numbers.end() ? std::string() : fmt::format("{}. ", number->second);
    out += fmt::format("\n### {}{}\n", prefix, card.title);
    if (!card.slug.empty()) out += fmt::format("`{}`\n\n", card.slug);
    if (!card.body.empty()) out += fmt::format("{}\n", card.body);
  } else if (card.type == "note" || card.type == "thought") {
    if (!card.body.empty()) out += fmt::format("\n> {}\n", quoted(card.body));
  } else if (card.type == "character" || card.type == "location" || card.type == "prop") {
    out += fmt::format("\n**{}** \u2014 {}\n", card.title, card.body);
  } else if (card.type == "title") {
    out += fmt::format("\n## {}\n", card.title);
  }
}

void append_sections(const json::value& doc, const StoryNumbers& numbers, const OwnerMap& owners, std::string& out) {
  // Members by owner in document order, so each group finds its own at once.
  FlatMap<std::string_view, std::vector<Card>> members;
  std::vector<Card> loose;
  if (const json::array* nodes = array_of(doc, "nodes"))
    for (const json::value& node : *nodes) {
      const CardFields f(node, kCardKeys);
      const auto id = opt_text(f[kId]);
      if (!id) continue;
      if (const auto owner = owner_of(owners, *id))
        members[*owner].push_back(card_of(f));
      else
        loose.push_back(card_of(f));
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
    std::vector<Card> cards = found->second;
    sort_by(cards, [](const Card& c) { return std::tuple(c.order, c.x); });
    for (const Card& card : cards) render_card(numbers, card, out);
  }
  if (loose.empty()) return;
  sort_by(loose, [](const Card& c) { return c.x; });
  out += '\n';
  for (const Card& card : loose) render_card(numbers, card, out);
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

void render_node_markdown(const StoryNumbers& numbers, const json::value& node, std::string& out) {
  render_card(numbers, card_of(CardFields(node, kCardKeys)), out);
}

std::expected<std::string, std::string> export_text(const json::value& doc, std::string_view format) {
  if (format == "markdown") return treatment(doc);
  if (format == "shotlist-csv") return shotlist_csv(doc);
  return std::unexpected(fmt::format("unknown format: {}. Use 'markdown' (the treatment) or 'shotlist-csv'.", format));
}

}  // namespace vemba_core::project_io

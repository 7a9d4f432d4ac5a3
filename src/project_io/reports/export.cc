// The export entry and the markdown treatment: the project's title and
// context, each visible group as a section, then the cards no group owns.

#include "project_io/reports/reports.h"

#include "project_io/board/board.h"
#include "project_io/geometry/geometry.h"
#include "project_io/json/text.h"
#include "project_io/queries/queries.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace vemba_core::project_io {
namespace {

using Cards = std::vector<const json::value*>;

bool hidden_from_export(const json::value& record) {
  return flag_of(record, "hidden") || flag_of(record, "hiddenInExport");
}

double x_of(const json::value& record) { return number_or(record, "x", 0); }

// Stable, so records with equal keys keep the order they came in.
template <class Key>
void sort_by(Cards& cards, Key key) {
  using K = decltype(key(*cards.front()));
  std::vector<std::pair<K, const json::value*>> keyed;
  keyed.reserve(cards.size());
  for (const json::value* card : cards) keyed.emplace_back(key(*card), card);
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 0; i < keyed.size(); ++i) cards[i] = keyed[i].second;
}

// A member without a usable order sorts after every member with one.
std::tuple<std::int64_t, double> order_then_x(const json::value& card) {
  return {order_of(card).value_or(std::numeric_limits<std::int64_t>::max()), x_of(card)};
}

std::string quoted(std::string_view body) {
  std::string out;
  for (const char c : body) {
    out += c;
    if (c == '\n') out += "> ";
  }
  return out;
}

void append_sections(const json::value& doc, const StoryNumbers& numbers, const OwnerMap& owners, std::string& out) {
  // Members by owner in document order, so each group finds its own at once.
  FlatMap<std::string_view, Cards> members;
  Cards loose;
  if (const json::array* nodes = array_of(doc, "nodes"))
    for (const json::value& node : *nodes) {
      const auto id = id_of(node);
      if (!id) continue;
      if (const auto owner = owner_of(owners, *id))
        members[*owner].push_back(&node);
      else
        loose.push_back(&node);
    }
  Cards groups;
  if (const json::array* all = array_of(doc, "groups"))
    for (const json::value& group : *all) groups.push_back(&group);
  if (!groups.empty()) sort_by(groups, x_of);
  for (const json::value* group : groups) {
    if (hidden_from_export(*group)) continue;
    out += fmt::format("\n## {}\n", text_of(*group, "name"));
    const auto found = members.find(text_of(*group, "id"));
    if (found == members.end()) continue;
    Cards cards = found->second;
    sort_by(cards, order_then_x);
    for (const json::value* card : cards) render_node_markdown(numbers, *card, out);
  }
  if (loose.empty()) return;
  sort_by(loose, x_of);
  out += '\n';
  for (const json::value* card : loose) render_node_markdown(numbers, *card, out);
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
  if (hidden_from_export(node)) return;
  const std::string_view type = node_type(node);
  const std::string_view title = text_of(node, "title");
  const std::string_view body = trim_white(text_of(node, "body"));
  if (type == "vemba") {
    const auto number = numbers.find(text_of(node, "id"));
    const std::string prefix = number == numbers.end() ? std::string() : fmt::format("{}. ", number->second);
    out += fmt::format("\n### {}{}\n", prefix, title);
    if (const std::string_view slug = trim_white(text_of(node, "slug")); !slug.empty())
      out += fmt::format("`{}`\n\n", slug);
    if (!body.empty()) out += fmt::format("{}\n", body);
  } else if (type == "note" || type == "thought") {
    if (!body.empty()) out += fmt::format("\n> {}\n", quoted(body));
  } else if (type == "character" || type == "location" || type == "prop") {
    out += fmt::format("\n**{}** \u2014 {}\n", title, body);
  } else if (type == "title") {
    out += fmt::format("\n## {}\n", title);
  }
}

std::expected<std::string, std::string> export_text(const json::value& doc, std::string_view format) {
  if (format == "markdown") return treatment(doc);
  if (format == "shotlist-csv") return shotlist_csv(doc);
  return std::unexpected(fmt::format("unknown format: {}. Use 'markdown' (the treatment) or 'shotlist-csv'.", format));
}

}  // namespace vemba_core::project_io

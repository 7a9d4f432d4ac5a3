// The readiness report: story count and running time, where each element is
// @mentioned along the story, what the story cards still lack, and the
// shot and sun-plan counts.

#include "project_io/board/board.h"
#include "project_io/json/text.h"
#include "project_io/queries/queries.h"
#include "project_io/reports/reports.h"
#include "util/substring_set.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace vemba_core::project_io {
namespace {

using Positions = FlatTextMap<std::size_t>;

// Digits with one optional leading "+", at most `max`; nothing else.
std::optional<std::uint64_t> read_unsigned(std::string_view text, std::uint64_t max) {
  if (text.starts_with('+')) text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (max - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

// Plain numbers first in numeric order, then every other label in byte order.
struct StoryKey {
  bool not_number;
  std::uint64_t value;
  std::string_view label;
  auto operator<=>(const StoryKey&) const = default;
};

StoryKey story_key(std::string_view label) {
  const auto n = read_unsigned(label, std::numeric_limits<std::uint32_t>::max());
  return {!n, n.value_or(0), label};
}

using Labelled = std::vector<std::pair<StoryKey, std::string_view>>;

// Each labelled story card's index in story order; of cards sharing an id,
// the later one's index stands. `labelled` is in document order.
Positions story_positions(Labelled labelled) {
  std::stable_sort(labelled.begin(), labelled.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  Positions positions;
  for (std::size_t i = 0; i < labelled.size(); ++i) positions.insert_or_assign(std::string(labelled[i].second), i);
  return positions;
}

// A scanned text's card: its place in story order and the label it shows.
struct Hit {
  std::optional<std::size_t> position;
  std::string_view label;
};

bool hit_before(const Hit& a, const Hit& b) {
  if (a.position.has_value() != b.position.has_value()) return a.position.has_value();
  if (a.position != b.position) return *a.position < *b.position;
  return a.label < b.label;
}

std::uint64_t longest_gap(const std::vector<Hit>& hits) {
  std::uint64_t longest = 0;
  std::optional<std::size_t> previous;
  for (const Hit& hit : hits) {
    if (!hit.position) continue;
    if (previous && *hit.position > *previous)
      longest = std::max<std::uint64_t>(longest, *hit.position - *previous - 1);
    previous = hit.position;
  }
  return longest;
}

// A character, location or prop card with a name, and the story and
// thought texts that mention it (indices into the scanned ids).
struct Element {
  const json::value* card;
  std::string_view kind;
  std::string_view name;
  std::size_t needle;
};

struct Mentions {
  std::vector<Element> elements;
  std::vector<std::string> needles;             // distinct, "@" + the name in lower case
  std::vector<std::vector<std::size_t>> found;  // per needle, in scan order
  std::vector<std::string> ids;                 // per scanned text, its card's id
};

// Characters, then locations, then props, each in document order; the cards
// are sorted into the three in one pass.
Mentions named_elements(const json::array& nodes) {
  constexpr std::string_view kKinds[] = {"character", "location", "prop"};
  std::vector<const json::value*> by_kind[std::size(kKinds)];
  for (const json::value& card : nodes) {
    const std::optional<std::string_view> type = opt_text_of(card, "type");
    for (std::size_t k = 0; type && k < std::size(kKinds); ++k)
      if (*type == kKinds[k]) by_kind[k].push_back(&card);
  }
  Mentions m;
  std::unordered_map<std::string, std::size_t> distinct;
  for (std::size_t k = 0; k < std::size(kKinds); ++k)
    for (const json::value* card : by_kind[k]) {
      const std::string_view name = trim_white(text_of(*card, "title"));
      if (name.empty()) continue;
      const auto [it, added] = distinct.try_emplace(fmt::format("@{}", to_lower(name)), m.needles.size());
      if (added) m.needles.push_back(it->first);
      m.elements.push_back({card, kKinds[k], name, it->second});
    }
  m.found.resize(m.needles.size());
  return m;
}

// Each scanned text's hit, looked up once however many elements it mentions.
std::vector<Hit> scanned_hits(const Mentions& mentions, const StoryNumbers& numbers, const Positions& positions) {
  std::vector<Hit> hits;
  hits.reserve(mentions.ids.size());
  for (const std::string& id : mentions.ids) {
    const auto position = positions.find(id);
    const auto number = numbers.find(id);
    hits.push_back({position == positions.end() ? std::nullopt : std::optional(position->second),
                    number == numbers.end() ? std::string_view(id) : std::string_view(number->second)});
  }
  return hits;
}

struct ReportInputs {
  const std::vector<Hit>& scanned;  // per scanned text
  const Mentions& mentions;
  const json::storage_ptr& storage;  // the reply's
};

json::value element_entry(const Element& element, const ReportInputs& in) {
  std::vector<Hit> hits;
  for (const std::size_t scanned : in.mentions.found[element.needle]) hits.push_back(in.scanned[scanned]);
  std::stable_sort(hits.begin(), hits.end(), hit_before);
  json::array appears(in.storage);
  for (const Hit& hit : hits) appears.emplace_back(hit.label);
  json::value pinned;
  if (element.kind == "location") {
    const json::value* geo = member(*element.card, "geo");
    pinned = geo && geo->is_object();
  }
  return json::object({{"appearsIn", std::move(appears)},
                       {"kind", element.kind},
                       {"longestGap", longest_gap(hits)},
                       {"pinned", std::move(pinned)},
                       {"title", element.name}},
                      in.storage);
}

json::array elements(const ReportInputs& in) {
  json::array out(in.storage);
  for (const Element& element : in.mentions.elements) out.push_back(element_entry(element, in));
  return out;
}

// What the main pass reads of each card, found in one walk over its members.
enum Field { kType, kId, kBody, kTitle, kShots, kImages, kSlug, kDuration, kSun };
constexpr auto kCardKeys =
    std::to_array<std::string_view>({"type", "id", "body", "title", "shots", "images", "slug", "duration", "sun"});
static_assert(kCardKeys.size() == kSun + 1, "a key per field");
using CardFields = Fields<kCardKeys.size()>;

std::string_view text(const CardFields& f, Field field) { return opt_text(f[field]).value_or(""); }

void append_missing(const CardFields& card, const StoryNumbers& numbers, json::array& out) {
  std::string_view label = opt_text(card[kId]).value_or("?");
  if (const auto id = opt_text(card[kId]))
    if (const auto number = numbers.find(*id); number != numbers.end()) label = number->second;
  const std::string who = fmt::format("{} ('{}')", label, text(card, kTitle));
  const auto add = [&](std::string_view what) {
    out.push_back(json::object({{"vemba", who}, {"what", what}}, out.storage()));
  };
  if (trim_white(text(card, kBody)).empty()) add("empty body");
  const json::array* images = array(card[kImages]);
  if (!images || images->empty()) add("no reference image");
  if (trim_white(text(card, kSlug)).empty()) add("no slug line");
}

// "s", "m:s" or "h:m:s"; anything else, or a value past 64 bits, adds nothing.
std::uint64_t duration_seconds(const CardFields& card) {
  const auto text = opt_text(card[kDuration]);
  std::string_view rest = text ? trim_white(*text) : std::string_view();
  if (rest.empty()) return 0;
  std::uint64_t seconds = 0;
  for (int parts = 1;; ++parts) {
    if (parts > 3) return 0;
    const std::size_t colon = rest.find(':');
    const auto part = read_unsigned(rest.substr(0, colon), std::numeric_limits<std::uint64_t>::max());
    if (!part || __builtin_mul_overflow(seconds, 60, &seconds) || __builtin_add_overflow(seconds, *part, &seconds))
      return 0;
    if (colon == std::string_view::npos) return seconds;
    rest.remove_prefix(colon + 1);
  }
}

std::string runtime_text(std::uint64_t total) { return fmt::format("{}:{:02}", total / 60, total % 60); }

}  // namespace

json::value production_report(const json::value& doc) {
  // Built in the document's own storage: with a document arena that is a
  // pointer bump per value and nothing to free.
  const json::storage_ptr& sp = doc.storage();
  const StoryNumbers numbers = vemba_numbers(doc);
  const json::array& nodes = array_or_empty(doc, "nodes");
  Mentions mentions = named_elements(nodes);
  vemba_util::SubstringSet needles(mentions.needles);
  json::array missing(sp);
  Labelled labelled;
  std::uint64_t vembas = 0, total = 0, sun_plans = 0, shots = 0, unlinked = 0;
  // One pass over the cards, each read while it is at hand.
  for (const json::value& node : nodes) {
    const CardFields f(node, kCardKeys);
    const std::string_view type = type_or_vemba(f[kType]);
    if (type == "vemba" || type == "thought") {
      const std::size_t scanned = mentions.ids.size();
      mentions.ids.emplace_back(text(f, kId));
      needles.scan(to_lower(fmt::format("{} {}", text(f, kBody), text(f, kTitle))),
                   [&](std::size_t needle) { mentions.found[needle].push_back(scanned); });
    }
    if (type == "shotlist")
      if (const json::array* list = array(f[kShots]))
        for (const json::value& shot : *list) {
          ++shots;
          unlinked += !opt_text_of(shot, "vembaId");
        }
    if (type != "vemba") continue;
    if (const auto id = opt_text(f[kId]))
      if (const auto number = numbers.find(*id); number != numbers.end())
        labelled.emplace_back(story_key(number->second), *id);
    ++vembas;
    append_missing(f, numbers, missing);
    // Saturates rather than wraps: a runtime past 64 bits is nonsense either way.
    if (__builtin_add_overflow(total, duration_seconds(f), &total)) total = std::numeric_limits<std::uint64_t>::max();
    sun_plans += f[kSun] && f[kSun]->is_object();
  }
  const Positions positions = story_positions(std::move(labelled));
  const std::vector<Hit> hits = scanned_hits(mentions, numbers, positions);
  return json::object({{"elements", elements({hits, mentions, sp})},
                       {"missing", std::move(missing)},
                       {"runtime", runtime_text(total)},
                       {"shots", shots},
                       {"sunPlans", sun_plans},
                       {"unlinkedShots", unlinked},
                       {"vembas", vembas}},
                      sp);
}

}  // namespace vemba_core::project_io

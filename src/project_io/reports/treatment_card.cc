#include "project_io/reports/treatment_card.h"

#include "project_io/board/board.h"
#include "project_io/json/text.h"

#include <fmt/format.h>

#include <array>

namespace vemba_core::project_io {
namespace {

std::string quoted(std::string_view body) {
  std::string out;
  for (const char c : body) {
    out += c;
    if (c == '\n') out += "> ";
  }
  return out;
}

// The members a card is read for, found in one walk over them.
enum Field { kHidden, kHiddenInExport, kType, kId, kTitle, kBody, kSlug, kOrder, kX };
constexpr auto kCardKeys =
    std::to_array<std::string_view>({"hidden", "hiddenInExport", "type", "id", "title", "body", "slug", "order", "x"});
static_assert(kCardKeys.size() == kX + 1, "a key per field");

}  // namespace

TreatmentCard treatment_card(const json::value& node) {
  const Fields<kCardKeys.size()> f(node, kCardKeys);
  const auto text = [&](Field field) { return opt_text(f[field]).value_or(""); };
  return {flag(f[kHidden]) || flag(f[kHiddenInExport]),
          opt_text(f[kId]),
          type_or_vemba(f[kType]),
          text(kTitle),
          trim_white(text(kBody)),
          trim_white(text(kSlug)),
          order_or_last(f[kOrder]),
          number(f[kX]).value_or(0)};
}

void append_treatment_card(const StoryNumbers& numbers, const TreatmentCard& card, std::string& out) {
  if (card.hidden) return;
  if (card.type == "vemba") {
    const auto number = numbers.find(card.id.value_or(""));
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

}  // namespace vemba_core::project_io

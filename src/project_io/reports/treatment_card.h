#pragma once
// One card of the markdown treatment: what the treatment reads of it and the
// piece of text it adds for it.

#include "project_io/json/json.h"
#include "project_io/queries/queries.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vemba_core::project_io {

/// What the treatment shows of a card and sorts it by, read in one pass in
/// document order, so the sorted walk after it never goes back to the card.
struct TreatmentCard {
  bool hidden;                         // hidden or hiddenInExport
  std::optional<std::string_view> id;  // none when not a text
  std::string_view type, title, body, slug;
  std::int64_t order;  // a card without a usable order sorts after every card with one
  double x;
};

/// The card's members, found in one walk over them; body and slug trimmed.
TreatmentCard treatment_card(const json::value& node);

/// Appends the card's piece of the treatment; hidden cards and types the
/// treatment does not show add nothing.
void append_treatment_card(const StoryNumbers& numbers, const TreatmentCard& card, std::string& out);

}  // namespace vemba_core::project_io

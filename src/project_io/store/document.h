#pragma once
// The project state document: its defaults, `normalize`, and `next_uid`.

#include "project_io/json/json.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace vemba_core::project_io {

/// The nine arrays every read supplies, in the order `normalize` fills them.
inline constexpr std::string_view kDocumentArrays[] = {"nodes",     "edges",      "groups",      "images",  "links",
                                                       "documents", "mediaShelf", "videoEmbeds", "bindings"};

/// Supplies each of the nine arrays that is missing or not an array, and a
/// `name` that is not a text. A null document becomes an object first.
/// Fails only for a top level that is an array, text, number or boolean.
Status normalize(json::value& document);

/// The document of a new project (no `bindings`).
json::value new_document(std::string_view name, std::string_view context);

/// One more than the largest first digit run of the scanned ids, never
/// below 201.
std::uint64_t next_uid(const json::value& document);

/// The numbers next_uid gives one after another while each number taken goes
/// into the document as an id before the next is asked for: one scan, then
/// counting on by one, so many new records cost one scan instead of one each.
class UidSequence {
 public:
  std::uint64_t next(const json::value& document);

 private:
  std::optional<std::uint64_t> following_;  // none: scan afresh
};

}  // namespace vemba_core::project_io

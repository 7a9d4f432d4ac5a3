#pragma once
// The project state document: its defaults, `normalize`, and `next_uid`.

#include "project_io/json.h"

#include <cstdint>
#include <string_view>

namespace vemba_core::project_io {

/// The nine arrays every read supplies, in the order `normalize` fills them.
inline constexpr std::string_view kDocumentArrays[] = {
    "nodes", "edges", "groups", "images", "links", "documents", "mediaShelf", "videoEmbeds", "bindings"};

/// Supplies each of the nine arrays that is missing or not an array, and a
/// `name` that is not a text. A null document becomes an object first.
/// Fails only for a top level that is an array, text, number or boolean.
Status normalize(json::value& document);

/// The document of a new project (no `bindings`).
json::value new_document(std::string_view name, std::string_view context);

/// One more than the largest first digit run of the scanned ids, never
/// below 201.
std::uint64_t next_uid(const json::value& document);

}  // namespace vemba_core::project_io

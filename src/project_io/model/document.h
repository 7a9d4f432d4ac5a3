#pragma once
// The project state document: its defaults, `normalize`, and `next_uid`.

#include "project_io/json/json.h"

#include <cstdint>
#include <optional>
#include <set>
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

/// A fresh default plan object for a new set-plan card.
json::value default_set_plan();

/// One more than the largest first digit run of the scanned ids, never
/// below 201.
std::uint64_t next_uid(const json::value& document);

/// next_uid kept current through a run of edits on one document that only
/// add nodes, without a scan per edit: one scan takes in every scanned id
/// number, then each added node is counted. Told of every node added,
/// `next()` equals a fresh next_uid of the document.
class UidCounter {
 public:
  explicit UidCounter(const json::value& document);

  std::uint64_t next() const;

  /// A node now in `nodes`: its own id and those of its scenes, shots and
  /// plan elements.
  void count_node(const json::value& node);

 private:
  std::set<std::uint64_t> numbers_;  // every id number the document carries
};

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

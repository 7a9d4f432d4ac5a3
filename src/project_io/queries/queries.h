#pragma once
// Board queries: scoped reads, story numbering, the outline and search.
// Each reads the document and changes nothing.

#include "project_io/geometry/geometry.h"
#include "project_io/json/json.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vemba_core::project_io {

/// Story card id -> canonical label ("3", "A2·1", "B·1").
using StoryNumbers = FlatTextMap<std::string>;

/// The part of the document a scope names; any other scope gives the whole.
json::value read_scoped(const json::value& doc, std::string_view scope, std::optional<std::string_view> group_id);
/// A copy of the document whose every node carries `w`, `h` and `measured`.
json::value annotate_sizes(const json::value& doc);
/// to_pretty(annotate_sizes(doc)), written without the copy; `file_size`
/// (the document's text as read) sizes the text up front.
std::string annotated_text(const json::value& doc, std::size_t file_size);
/// The text read_project answers: the pretty form of the scope's part
/// (read_scoped) of the document with every card's size (annotate_sizes).
/// The whole document, scope "all" without a group, is written without a
/// copy, sized up front by `file_size`.
std::string scoped_text(const json::value& doc, std::string_view scope, std::optional<std::string_view> group_id,
                        std::size_t file_size);

/// The canonical label of every story card with a text id, computed from the
/// story edges, the cards' x and their sequence marks. Labels need not be
/// unique: look them up by id.
StoryNumbers vemba_numbers(const json::value& doc);

/// {groups, orphans, project}: each group's owned cards in `order`, then the
/// cards no group owns, each as a short summary with its label. Built in the
/// document's storage.
json::value get_outline(const json::value& doc);

/// Up to 40 hits {id, type, title, snippet} for cards, then groups, whose
/// searched text holds the trimmed, lower-cased query.
json::array search_project(const json::value& doc, std::string_view query);
/// The excerpt of `text` around the first occurrence of `q` (trimmed, lower
/// case): 40 characters before it, 80 from it, "…" where cut, line feeds
/// as spaces.
std::string snippet_around(std::string_view text, std::string_view q);

}  // namespace vemba_core::project_io

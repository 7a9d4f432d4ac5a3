// The success messages of the editing tools. They never fail and never end
// with a line feed.

#include "vemba_connector/tools/mutation_engine.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

namespace vemba_connector::messages {
namespace {

namespace io = vemba_core::project_io;

std::string joined(Keys keys) { return fmt::format("{}", fmt::join(keys, ", ")); }

/// The record's compact JSON, or "" when there is none.
std::string echo(const json::value& state, const char* array, std::optional<std::size_t> index) {
  const json::array* records = io::array_of(state, array);
  if (!records || !index || *index >= records->size()) return {};
  return io::to_compact((*records)[*index]);
}

}  // namespace

std::string fill(std::string_view message, std::string_view value) { return fmt::format(fmt::runtime(message), value); }

std::string fill(std::string_view message, std::uint64_t count) { return fmt::format(fmt::runtime(message), count); }

std::string applied(Keys keys) { return fmt::format("Applied: {}.", keys.empty() ? "(none)" : joined(keys)); }

std::string applied_and_ignored(const PatchResult& keys) {
  std::string out = applied(keys.applied);
  if (!keys.ignored.empty()) out += fmt::format(" IGNORED: {}.", joined(keys.ignored));
  return out;
}

std::string edit_vemba(const PatchResult& keys, Keys missing_images, const json::value& state,
                       std::optional<std::size_t> node) {
  std::string out = applied(keys.applied);
  if (!keys.ignored.empty())
    out += fmt::format(" IGNORED (not editable here): {}. To change type use convert_node_type.", joined(keys.ignored));
  if (!missing_images.empty())
    out += fmt::format(" WARNING: these image files do not exist in assets/ (use write_asset first): {}.",
                       joined(missing_images));
  if (node) out += " Node now: " + echo(state, "nodes", node);
  return out;
}

std::string converted(const json::value& state, std::string_view id, std::string_view new_type) {
  return fmt::format("Converted {} to {}. Node now: {}", id, new_type,
                     echo(state, "nodes", io::find_node_index(state, id)));
}

std::string created_group(const json::value& state, std::string_view id) {
  return fmt::format("Created group {}. Group: {}", id, echo(state, "groups", io::find_group_index(state, id)));
}

std::string placed(double x, double y) {
  return fmt::format("Placed node at ({}, {}).", io::plain_number(x), io::plain_number(y));
}

std::string shot_list_built(std::string_view id, std::uint64_t scenes, std::uint64_t shots) {
  return fmt::format(
      "Shot list {}: added {} scene(s) and {} linked shot(s). Linked shots pull description, lens, shot type and "
      "duration LIVE from their vembas \u2014 leave those fields empty unless overriding.",
      id, scenes, shots);
}

}  // namespace vemba_connector::messages

#pragma once
// The mutation engine: the 29 editing tools (declared in handlers.h) applied
// to a project state in memory, each with its success message. It neither
// loads, writes nor signals; the write path around it does (serve_edit,
// serve_batch).

#include "project_io/board/board.h"
#include "vemba_connector/tools/handlers.h"

#include <cstdint>
#include <expected>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vemba_connector {

/// Applies the batchable tool named `tool` (case counts) to `state` in place
/// and returns its success message, the operation's error text unchanged, or
/// "unknown mutating tool: {tool}". `folder` is the project folder (the image
/// check of edit_vemba looks into its assets) and `library` the canonical
/// library root it must stay inside. A failure may leave `state` changed; the
/// caller must then not write it. `index` is `state`'s, kept from one op of a
/// run to the next.
Outcome apply_mutation(json::value& state, const fs::path& library, const fs::path& folder, std::string_view tool,
                       const json::value& arguments, vemba_core::project_io::EditIndex& index);

/// The strings of `patch.images` that name no regular file under the
/// project's assets folder inside the library, in array order, duplicates kept.
std::vector<std::string> missing_images(const fs::path& library, const fs::path& folder, const json::value& patch);

// ---- Success messages ------------------------------------------------------
namespace messages {

using vemba_core::project_io::PatchResult;
using Keys = std::span<const std::string>;

/// "Applied: a, b." or "Applied: (none)."
std::string applied(Keys keys);
/// applied(), then " IGNORED: x, y." when anything was ignored.
std::string applied_and_ignored(const PatchResult& keys);
/// The composite edit_vemba message, echoing the node as the edit left it.
std::string edit_vemba(const PatchResult& keys, Keys missing_images, const json::value& state,
                       std::optional<std::size_t> node);
std::string converted(const json::value& state, std::string_view id, std::string_view new_type);
std::string created_group(const json::value& state, std::string_view id);
std::string placed(double x, double y);
std::string shot_list_built(std::string_view id, std::uint64_t scenes, std::uint64_t shots);

/// One-value messages: `fill(kAddedVemba, id)`.
inline constexpr std::string_view kAddedVemba = "Added vemba {}.";
inline constexpr std::string_view kAddedNode = "Added node {}.";
inline constexpr std::string_view kDeletedNode = "Deleted node {} (and its edges).";
inline constexpr std::string_view kDeletedGroup = "Deleted group ({} member node(s) also deleted).";
inline constexpr std::string_view kLaidOut = "Laid out {} node(s).";
inline constexpr std::string_view kSetPlanUpdated = "Set Plan updated. {}";
inline constexpr std::string_view kArranged = "Arranged {} node(s).";
inline constexpr std::string_view kAligned = "Aligned {} node(s).";
inline constexpr std::string_view kFitted = "Fitted group box around {} member(s).";
inline constexpr std::string_view kAddedScene = "Added scene {}.";
inline constexpr std::string_view kAddedShot = "Added shot {}.";
inline constexpr std::string_view kAddedEmbed = "Added embed card {}.";
inline constexpr std::string_view kAddedElement = "Added element {}.";

std::string fill(std::string_view message, std::string_view value);
std::string fill(std::string_view message, std::uint64_t count);

/// Messages that take no value.
inline constexpr std::string_view kConnected = "Connected.";
inline constexpr std::string_view kNodeAssigned = "Node assigned to group.";
inline constexpr std::string_view kNodeDetached = "Node detached from group.";
inline constexpr std::string_view kNodeMoved = "Node moved.";
inline constexpr std::string_view kNodeReordered = "Node reordered.";
inline constexpr std::string_view kElementRemoved = "Element removed.";

}  // namespace messages
}  // namespace vemba_connector

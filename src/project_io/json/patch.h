#pragma once
// Walking a patch object the way every patch operation does: over a copy of
// it, key by key in ascending byte order, each key applied or ignored by the
// operation's own rule.

#include "project_io/json/json.h"

#include <string>
#include <string_view>
#include <vector>

namespace vemba_core::project_io {

/// What a patch operation applied and ignored, in sorted key order.
struct PatchResult {
  std::vector<std::string> applied;
  std::vector<std::string> ignored;
};

/// How one patch key fared: the name reported as applied, or the entry
/// reported as ignored (the key, or the key with the reason).
struct KeyVerdict {
  static KeyVerdict applied(std::string_view name) { return {true, std::string(name)}; }
  static KeyVerdict ignored(std::string entry) { return {false, std::move(entry)}; }

  bool is_applied;
  std::string entry;
};

/// The patch's members in ascending byte order of their keys; none when the
/// patch is not an object.
std::vector<const json::key_value_pair*> sorted_members(const json::value& patch);

/// Calls `rule(key, value)` for each member of the patch in sorted key order;
/// the rule writes what it accepts and returns its verdict. The walk goes over
/// a copy, since the patch may be a value inside the very document the rule
/// writes to.
template <class Rule>
PatchResult walk_patch(const json::value& patch, Rule&& rule) {
  const json::value own = patch;
  PatchResult result;
  for (const json::key_value_pair* kv : sorted_members(own)) {
    KeyVerdict verdict = rule(std::string_view(kv->key()), kv->value());
    (verdict.is_applied ? result.applied : result.ignored).push_back(std::move(verdict.entry));
  }
  return result;
}

}  // namespace vemba_core::project_io

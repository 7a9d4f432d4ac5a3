#include "project_io/json/patch.h"

#include <algorithm>

namespace vemba_core::project_io {

std::vector<const json::key_value_pair*> sorted_members(const json::value& patch) {
  std::vector<const json::key_value_pair*> members;
  const json::object* o = patch.if_object();
  if (!o) return members;
  members.reserve(o->size());
  for (const json::key_value_pair& kv : *o) members.push_back(&kv);
  // string_view compares as unsigned bytes, the order the writer uses.
  std::sort(members.begin(), members.end(),
            [](const json::key_value_pair* a, const json::key_value_pair* b) { return a->key() < b->key(); });
  return members;
}

}  // namespace vemba_core::project_io

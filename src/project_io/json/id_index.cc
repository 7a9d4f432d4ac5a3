#include "project_io/json/id_index.h"

namespace vemba_core::project_io {

IdIndex index_by_id(const json::array* records) {
  IdIndex index;
  if (!records) return index;
  index.reserve(records->size());
  for (const json::value& record : *records)
    if (const auto id = id_of(record)) index.emplace(*id, &record);  // emplace keeps the first
  return index;
}

const json::value* find_in(const IdIndex& index, std::string_view id) {
  const auto it = index.find(id);
  return it == index.end() ? nullptr : it->second;
}

}  // namespace vemba_core::project_io

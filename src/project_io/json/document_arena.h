#pragma once
// Memory for parsed project documents that outlives each of them: taking
// memory is a pointer bump, dropping a document frees nothing (Boost.JSON
// skips the walk over its values), and the next document reuses the same
// pages, which stay mapped.

#include "project_io/json/json.h"

#include <cstddef>
#include <memory>
#include <memory_resource>

namespace vemba_core::project_io {

class DocumentArena {
 public:
  /// Between documents keeps what the last one took, or `keep` bytes when
  /// that is more: an unusually large document's surplus is given back at
  /// the rewind after the next, smaller one. Blocks come from `upstream`.
  explicit DocumentArena(std::size_t keep = kDefaultKeep,
                         std::pmr::memory_resource* upstream = std::pmr::new_delete_resource());
  ~DocumentArena();
  DocumentArena(const DocumentArena&) = delete;
  DocumentArena& operator=(const DocumentArena&) = delete;

  /// Storage for the next document, rewound to the start. Every value
  /// allocated from the storage handed out before (the last document and
  /// any value copied from it without storage of its own) must be gone.
  json::storage_ptr next();

  static constexpr std::size_t kDefaultKeep = std::size_t{128} << 20;

 private:
  class Resource;
  std::unique_ptr<Resource> resource_;
};

}  // namespace vemba_core::project_io

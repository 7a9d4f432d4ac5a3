#pragma once
// One writer per project across processes: an exclusive advisory lock on a
// folder itself, so nothing is added to the folder and the system drops the
// lock when the holder dies.

#include "project_io/json/json.h"

#include <filesystem>
#include <string>

namespace vemba_core::project_io {

/// Held until destroyed. A folder this process already holds is not locked a
/// second time (the same folder can be both the library root and a project).
class FolderLock {
 public:
  FolderLock() = default;
  FolderLock(FolderLock&& other) noexcept;
  FolderLock& operator=(FolderLock&& other) noexcept;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock();

 private:
  friend std::expected<FolderLock, std::string> lock_folder(const std::filesystem::path& folder);
  void release();
  int fd_ = -1;
};

/// Waits for the exclusive lock on `folder`. Where the file system offers no
/// locks the write goes on unlocked, as before; other failures give the
/// system's text.
std::expected<FolderLock, std::string> lock_folder(const std::filesystem::path& folder);

}  // namespace vemba_core::project_io

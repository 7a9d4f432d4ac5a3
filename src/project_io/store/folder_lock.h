#pragma once
// One writer per project across processes: an exclusive advisory lock on a
// folder itself, so nothing is added to the folder and the system drops the
// lock when the holder dies.

#include "project_io/json/json.h"

#include <chrono>
#include <filesystem>
#include <string>

namespace vemba_core::project_io {

/// How long a write waits for another server's lock: well under the minute
/// that hosts commonly give a tool call, so a stopped server turns into a
/// clear failure instead of a call that never ends.
inline constexpr std::chrono::seconds kLockWait{20};

/// When a wait for a lock gives up. A call's waits all end at one deadline:
/// `kLockWait` from the moment its request came in.
using LockDeadline = std::chrono::steady_clock::time_point;
inline LockDeadline lock_deadline(LockDeadline from = std::chrono::steady_clock::now()) { return from + kLockWait; }

/// Why a lock was not taken: another process held it for the whole wait, or
/// the system refused (its text).
struct LockFailure {
  bool busy = false;
  std::string text;
};

/// Held until destroyed. A folder this process already holds is not locked a
/// second time (the same folder can be both the library root and a project).
/// Where the system gives no lock on the folder the write goes on unguarded.
class FolderLock {
 public:
  FolderLock() = default;
  FolderLock(FolderLock&& other) noexcept;
  FolderLock& operator=(FolderLock&& other) noexcept;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock();

  /// True while this process holds the folder's lock.
  bool guards() const { return guards_; }

 private:
  friend std::expected<FolderLock, LockFailure> lock_folder(const std::filesystem::path& folder, LockDeadline deadline);
  void release();
  int fd_ = -1;
  bool guards_ = false;
};

/// Waits until `deadline` for the exclusive lock on `folder`, trying it
/// every few milliseconds; a deadline already past tries once. No order of
/// waiters is kept: the first to try after the holder lets go takes it.
/// Once taken, the path must still name the folder that was locked, or what
/// it names now is locked instead. Where the system gives no lock (a file
/// system without locks, a folder that cannot be opened for reading) the
/// result guards nothing.
std::expected<FolderLock, LockFailure> lock_folder(const std::filesystem::path& folder,
                                                   LockDeadline deadline = lock_deadline());

/// The failure text of a lock on a project folder or the library root held
/// past the wait.
std::string busy_text(std::string_view what);

}  // namespace vemba_core::project_io

#pragma once
// One atomic write in its steps: a temporary opened and filled, then synced
// and renamed over the target. `atomic_write` runs the steps in a row; the
// project write interleaves two of them so that the disk works on one while
// the document is serialized.

#include "project_io/json/json.h"
#include "project_io/store/temporaries.h"

#include <filesystem>
#include <string_view>

namespace vemba_core::project_io {

class PendingWrite {
 public:
  /// Opens the temporary for `target`; "create temp: …".
  static std::expected<PendingWrite, std::string> open(const std::filesystem::path& target, Temporaries temps);

  PendingWrite(PendingWrite&& other) noexcept;
  PendingWrite& operator=(PendingWrite&&) = delete;
  PendingWrite(const PendingWrite&) = delete;
  PendingWrite& operator=(const PendingWrite&) = delete;
  /// Closes the file. A shared temporary that was not committed stays for the
  /// next write to reuse; an own one is removed.
  ~PendingWrite();

  /// Appends all of `bytes`; "write temp: …".
  Status write(std::string_view bytes);
  /// Appends the whole file open as `from`, from its start, a piece at a
  /// time; "write temp: …", or "read for snapshot: …" (the temporary is
  /// removed then).
  Status copy_from(int from);
  /// Has the system start writing the content to the device, so that the
  /// sync in `commit` has less left to wait for (where the system offers it).
  void start_writeback();
  /// fsync, close and rename over the target; "fsync: …" (the temporary
  /// stays) or "commit: …" (it is removed).
  Status commit();
  /// Closes and removes the temporary: a later step failed.
  void abandon();

 private:
  PendingWrite(std::filesystem::path target, std::filesystem::path temp, Temporaries temps, int fd);
  void close_file();

  std::filesystem::path target_, temp_;
  Temporaries temps_;
  int fd_;
  bool done_ = false;  // committed or abandoned
};

}  // namespace vemba_core::project_io

#pragma once
// One atomic write in its steps: a temporary of its own created, filled,
// synced and renamed over the target, then the target's folder synced. A
// write that does not commit removes its temporary. `atomic_write` runs the
// steps in a row; the project write begins two writes before it finishes
// either, so that the disk works on them while the document is serialized.

#include "project_io/json/json.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vemba_core::project_io {

/// How far a write's sync reaches. kDurable syncs the folder after the
/// rename, so that once the write returns a power cut can no longer undo it;
/// kFileOnly leaves the folder to the system (the signal file, whose record
/// matters only to an app that is running).
enum class Durability { kDurable, kFileOnly };

/// A temporary beside the write's target, created exclusively under a random
/// name (see temporaries.h), so no planted file, link or other writer is ever
/// written through. Removed when destroyed unless committed.
class TempFile {
 public:
  /// "create temp: …".
  static std::expected<TempFile, std::string> create(const std::filesystem::path& folder);

  TempFile(TempFile&& other) noexcept;
  TempFile& operator=(TempFile&&) = delete;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile();

  /// Appends all of `bytes`; "write temp: …".
  Status write(std::string_view bytes);
  /// Appends the whole file open as `from`, from its start, a piece at a
  /// time; "write temp: …", or "read for snapshot: …".
  Status copy_from(int from);
  /// Has the system start writing the content to the device, so that the
  /// sync in `commit` has less left to wait for (where the system offers it).
  void start_writeback();
  /// Syncs the file and renames it over `target`, then with kDurable syncs
  /// the target's folder: "fsync: …", "commit: …", "sync folder: …".
  Status commit(const std::filesystem::path& target, Durability durability);

 private:
  TempFile(std::filesystem::path path, int fd) : path_(std::move(path)), fd_(fd) {}
  void close_file();

  std::filesystem::path path_;
  int fd_;
  bool committed_ = false;
};

/// One file's atomic write, in up to three attempts with 120 ms and 240 ms
/// pauses between them: a briefly busy disk or a syncing app gets a moment
/// before the retry. The first attempt's temporary is made and filled at
/// construction; `finish` commits it or makes the other attempts. Destroyed
/// unfinished, it leaves nothing.
class PendingWrite {
 public:
  /// Writes a temporary's content; called again for each attempt.
  using Fill = std::function<Status(TempFile&)>;

  PendingWrite(std::filesystem::path target, Fill fill, Durability durability = Durability::kDurable);
  /// The write's outcome: the last attempt's text when all three failed.
  Status finish();

 private:
  // Makes and fills one attempt's temporary in `temp`.
  Status make_temp(std::optional<TempFile>& temp);

  std::filesystem::path target_;
  Fill fill_;
  Durability durability_;
  std::optional<TempFile> first_;
  Status begun_;
};

/// Syncs `folder`, so that the names it holds survive a power cut. Where the
/// system gives no sync of the folder (it cannot be opened for reading, or
/// its file system refuses) there is nothing more to do; any other failure
/// is "sync folder: …".
Status sync_folder(const std::filesystem::path& folder);

/// Creates `folder` and any missing parents (mode 0777), syncing the folder
/// that each new one was made in. The error is the system's text.
Status make_folders(const std::filesystem::path& folder);

}  // namespace vemba_core::project_io

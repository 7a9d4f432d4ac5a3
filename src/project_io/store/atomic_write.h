#pragma once
// One atomic write in its steps: a temporary of its own created, filled,
// synced and renamed over the target, then the target's folder synced. A
// write that does not commit removes its temporary, and a rename, once made,
// is never made again. `atomic_write` runs the steps in a row; the project
// write begins two writes before it finishes either, so that the disk works
// on them while the document is serialized.

#include "project_io/json/json.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace vemba_core::project_io {

/// How far a write's sync reaches. kDurable syncs the folder after the
/// rename, so that once the write returns a power cut can no longer undo it;
/// kFileOnly leaves the folder to the system (the signal file's passing
/// records, which matter only to an app that is running).
enum class Durability { kDurable, kFileOnly };

/// A write that failed, and what others can see of it.
struct WriteFailure {
  enum class Kind {
    /// Nothing visible changed: the target is as it was and no temporary is
    /// left, so the write may be tried again.
    kNotWritten,
    /// The target was replaced, but its folder's sync failed, so the disk
    /// did not confirm that it is stored. It is never renamed again: a retry
    /// could put an old text over a newer save, and after a failed sync the
    /// system may report success the next time without storing anything.
    kUnconfirmed,
  };
  Kind kind;
  std::string text;  // the step and the system's text: "commit: …", "sync folder: …"
};
using WriteResult = std::expected<void, WriteFailure>;

/// The text a caller answers for a failed write. An unconfirmed one says what
/// was done (`done`, "the change was made" when empty), so that no one tries
/// it again blindly.
std::string failure_text(const WriteFailure& failure, std::string_view done = {});

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
  /// Syncs the file and renames it over `target` ("fsync: …", "commit: …":
  /// nothing written), then with kDurable syncs the target's folder ("sync
  /// folder: …": unconfirmed).
  WriteResult commit(const std::filesystem::path& target, Durability durability);

 private:
  TempFile(std::filesystem::path path, int fd) : path_(std::move(path)), fd_(fd) {}
  void close_file();

  std::filesystem::path path_;
  int fd_;
  bool committed_ = false;
};

/// One file's atomic write: its target, what fills each attempt's temporary,
/// and how far its sync reaches.
struct FileWrite {
  /// Writes a temporary's content; called again for each attempt.
  using Fill = std::function<Status(TempFile&)>;

  std::filesystem::path target;
  Fill fill;
  Durability durability = Durability::kDurable;
};

/// A write whose first attempt is made: its temporary, filled and on its way
/// to the disk, or why that attempt failed (nothing visible changed).
struct BegunWrite {
  FileWrite write;
  std::expected<TempFile, WriteFailure> first;
};

/// Step one of a write: sweeps the target's folder of what dead writers left
/// and makes the first attempt's temporary.
BegunWrite begin_write(FileWrite write);

/// Step two: commits the begun temporary. An attempt that fails before its
/// rename is made again, up to three in all, with 120 ms and 240 ms pauses
/// between them (a briefly busy disk or a syncing app gets a moment); the
/// last attempt's failure is returned. A failed sync after the rename is
/// returned at once, unconfirmed.
WriteResult finish_write(BegunWrite begun);

/// Both steps in a row.
WriteResult atomic_write(const std::filesystem::path& path, std::string_view bytes,
                         Durability durability = Durability::kDurable);

/// Syncs `folder`, so that the names it holds survive a power cut. Where the
/// system gives no sync of the folder (it cannot be opened for reading, or
/// its file system refuses) there is nothing more to do; any other failure
/// is "sync folder: …".
Status sync_folder(const std::filesystem::path& folder);

/// Creates `folder` and any missing parents (mode 0777), syncing the folder
/// that each new one was made in. The error is the system's text, and the
/// folders made are taken back.
Status make_folders(const std::filesystem::path& folder);

}  // namespace vemba_core::project_io

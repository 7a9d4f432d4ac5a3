#pragma once
// The system calls the store makes on files and folders, behind one small
// interface: the plain calls in production, and in tests a disk that fails
// the call chosen, so that every failure path of a write can be shown.

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <system_error>
#include <vector>

namespace vemba_core::project_io {

/// Each call returns what its system call returns, with errno set when it
/// fails. The base class makes the plain calls.
class Disk {
 public:
  virtual ~Disk() = default;
  virtual int open(const char* path, int flags, mode_t mode = 0);
  virtual ssize_t read(int fd, void* buffer, std::size_t size);
  virtual ssize_t pread(int fd, void* buffer, std::size_t size, off_t at);
  virtual ssize_t write(int fd, const void* bytes, std::size_t size);
  /// Flushes the file (or folder) to the medium: on macOS `F_FULLFSYNC`
  /// where the file system offers it (plain fsync there stops at the drive's
  /// cache), else fsync.
  virtual int fsync(int fd);
  virtual int rename(const char* from, const char* to);
  /// Renames onto a name that nothing stands at; EEXIST (or ENOTEMPTY) when
  /// something does. Where the system cannot rename exclusively, what stands
  /// there is looked for first, and only an empty folder put there in
  /// between could be replaced.
  virtual int rename_new(const char* from, const char* to);
  virtual int unlink(const char* path);
  virtual int flock(int fd, int operation);
  /// The entries of `folder`; `error` is set when it cannot be listed (the
  /// entries read until then are kept).
  virtual std::vector<std::filesystem::directory_entry> list(const std::filesystem::path& folder,
                                                             std::error_code& error);
};

/// The disk in use: the plain one unless a test put another in its place.
Disk& disk();
/// Puts `replacement` in place; null puts the plain disk back.
void use_disk(Disk* replacement);

}  // namespace vemba_core::project_io

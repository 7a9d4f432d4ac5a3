#include "project_io/store/disk.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace vemba_core::project_io {
namespace {

Disk& plain() {
  static Disk disk;
  return disk;
}

Disk*& current() {
  static Disk* disk = &plain();
  return disk;
}

}  // namespace

int Disk::open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
ssize_t Disk::read(int fd, void* buffer, std::size_t size) { return ::read(fd, buffer, size); }
ssize_t Disk::pread(int fd, void* buffer, std::size_t size, off_t at) { return ::pread(fd, buffer, size, at); }
ssize_t Disk::write(int fd, const void* bytes, std::size_t size) { return ::write(fd, bytes, size); }
int Disk::fsync(int fd) {
#ifdef F_FULLFSYNC
  if (::fcntl(fd, F_FULLFSYNC) == 0) return 0;
#endif
  return ::fsync(fd);
}
int Disk::rename(const char* from, const char* to) { return std::rename(from, to); }
int Disk::rename_new(const char* from, const char* to) {
#if defined(RENAME_NOREPLACE)
  if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
  // Not every file system takes the flag.
  if (errno != EINVAL && errno != ENOSYS) return -1;
#elif defined(RENAME_EXCL)
  if (::renamex_np(from, to, RENAME_EXCL) == 0) return 0;
  if (errno != ENOTSUP) return -1;
#endif
  struct stat st {};
  if (::lstat(to, &st) == 0) {
    errno = EEXIST;
    return -1;
  }
  return std::rename(from, to);
}

int Disk::unlink(const char* path) { return ::unlink(path); }
int Disk::flock(int fd, int operation) { return ::flock(fd, operation); }

std::vector<std::filesystem::directory_entry> Disk::list(const std::filesystem::path& folder, std::error_code& error) {
  std::vector<std::filesystem::directory_entry> entries;
  error.clear();
  for (std::filesystem::directory_iterator it(folder, error); !error && it != std::filesystem::directory_iterator();
       it.increment(error))
    entries.push_back(*it);
  return entries;
}

Disk& disk() { return *current(); }

void use_disk(Disk* replacement) { current() = replacement ? replacement : &plain(); }

}  // namespace vemba_core::project_io

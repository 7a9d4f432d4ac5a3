#include "project_io/store/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace vemba_core::project_io {
namespace {

struct FolderId {
  dev_t dev;
  ino_t ino;
  bool operator==(const FolderId&) const = default;
};

// Folders locked by this process: a second lock on one of them through another
// descriptor would wait for ourselves.
std::vector<FolderId>& held() {
  static std::vector<FolderId> folders;
  return folders;
}

std::optional<FolderId> id_of(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return std::nullopt;
  return FolderId{st.st_dev, st.st_ino};
}

bool locks_unsupported(int err) { return err == ENOTSUP || err == EOPNOTSUPP || err == ENOLCK || err == EINVAL; }

}  // namespace

FolderLock::FolderLock(FolderLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
  if (this != &other) {
    release();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

FolderLock::~FolderLock() { release(); }

void FolderLock::release() {
  if (fd_ < 0) return;
  if (auto id = id_of(fd_)) std::erase(held(), *id);
  ::close(fd_);  // closing drops the lock
  fd_ = -1;
}

std::expected<FolderLock, std::string> lock_folder(const std::filesystem::path& folder) {
  if (folder.native().find('\0') != std::string::npos) return std::unexpected(std::strerror(EINVAL));
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::unexpected(std::strerror(errno));
  const auto id = id_of(fd);
  if (id && std::ranges::find(held(), *id) != held().end()) {
    ::close(fd);
    return FolderLock();
  }
  int rc;
  do rc = ::flock(fd, LOCK_EX);
  while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const int err = errno;
    ::close(fd);
    if (locks_unsupported(err)) return FolderLock();
    return std::unexpected(std::strerror(err));
  }
  if (id) held().push_back(*id);
  FolderLock lock;
  lock.fd_ = fd;
  return lock;
}

}  // namespace vemba_core::project_io

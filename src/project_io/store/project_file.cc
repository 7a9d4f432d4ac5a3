#include "project_io/store/project_file.h"

#include "project_io/store/disk.h"
#include "project_io/store/os.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

namespace vemba_core::project_io {
namespace {

// Descriptors of replaced project files, closed once the reply is out.
std::vector<int>& replaced_files() {
  static std::vector<int> fds;
  return fds;
}

// macOS names the modification time st_mtimespec.
const timespec& modified(const struct stat& st) {
#ifdef __APPLE__
  return st.st_mtimespec;
#else
  return st.st_mtim;
#endif
}

}  // namespace

OpenFile::OpenFile(OpenFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)), st_(other.st_) {}

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    st_ = other.st_;
  }
  return *this;
}

OpenFile::~OpenFile() {
  if (fd_ >= 0) ::close(fd_);
}

int OpenFile::release() { return std::exchange(fd_, -1); }

std::expected<OpenFile, std::string> open_regular(const fs::path& path) {
  if (holds_nul(path)) return std::unexpected(os_error(EINVAL));
  // Non-blocking, so that opening a named pipe returns at once; it changes
  // nothing for a regular file.
  const int fd = disk().open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::unexpected(os_error(errno));
  struct stat st {};
  const bool stated = ::fstat(fd, &st) == 0;
  const int err = errno;
  OpenFile file(fd, st);
  if (!stated) return std::unexpected(os_error(err));
  // A pipe would block and a device may never end; a folder fails when read,
  // with the system's own text.
  if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return std::unexpected(std::string("not a regular file"));
  return file;
}

// The whole file from where it stands, read straight into the text: one
// call for a file whose size the open told, more when it grew.
std::expected<std::string, std::string> read_all(const OpenFile& file) {
  std::string bytes(file.size() + 1, '\0');
  std::size_t have = 0;
  for (;;) {
    if (have == bytes.size()) bytes.resize(bytes.size() * 2);
    const ssize_t n = disk().read(file.fd(), bytes.data() + have, bytes.size() - have);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(os_error(errno));
    }
    have += static_cast<std::size_t>(n);
  }
  bytes.resize(have);
  return bytes;
}

bool ProjectFile::unchanged(const fs::path& path) const {
  struct stat now {};
  if (!file_ || holds_nul(path) || ::stat(path.c_str(), &now) != 0) return false;
  const struct stat& read = file_->status();
  return now.st_dev == read.st_dev && now.st_ino == read.st_ino && now.st_size == read.st_size &&
         modified(now).tv_sec == modified(read).tv_sec && modified(now).tv_nsec == modified(read).tv_nsec;
}

std::string ProjectFile::take_bytes() { return std::exchange(bytes_, std::string()); }

void ProjectFile::retire() {
  if (!file_) return;
  // One left from a call whose loop did not close it goes now.
  close_replaced_files();
  replaced_files().push_back(file_->release());
  file_.reset();
}

void close_replaced_files() {
  for (const int fd : replaced_files()) ::close(fd);
  replaced_files().clear();
}

}  // namespace vemba_core::project_io

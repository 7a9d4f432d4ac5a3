#include "support/failing_disk.h"

#include <cerrno>

namespace vemba_test {

namespace io = vemba_core::project_io;

FailingDisk::FailingDisk() { io::use_disk(this); }
FailingDisk::~FailingDisk() { io::use_disk(nullptr); }

void FailingDisk::fail(DiskCall call, int err, std::string where, int nth, int times) {
  fail_where(
      call, err, [where = std::move(where)](const std::string& path) { return path.find(where) != std::string::npos; },
      nth, times);
}

void FailingDisk::fail_exactly(DiskCall call, int err, std::string path, int nth, int times) {
  fail_where(
      call, err, [path = std::move(path)](const std::string& p) { return p == path; }, nth, times);
}

void FailingDisk::fail_where(DiskCall call, int err, Pick pick, int nth, int times) {
  rules_.push_back({call, err, std::move(pick), {}, nth, times});
}

void FailingDisk::before(DiskCall call, Pick pick, Act act) {
  rules_.push_back({call, 0, std::move(pick), std::move(act), 1, 0});
}

int FailingDisk::count(DiskCall call, const std::string& where) const {
  int n = 0;
  for (const auto& [c, path] : calls_) n += c == call && path.find(where) != std::string::npos;
  return n;
}

bool FailingDisk::fails(DiskCall call, const std::string& path) {
  calls_.emplace_back(call, path);
  for (Rule& rule : rules_) {
    if (rule.call != call || !rule.pick(path)) continue;
    ++rule.seen;
    if (rule.seen < rule.nth || (rule.times > 0 && rule.failed >= rule.times)) continue;
    if (rule.act) rule.act(path);
    if (rule.err == 0) continue;
    ++rule.failed;
    errno = rule.err;
    return true;
  }
  return false;
}

std::string FailingDisk::path_of(int fd) const {
  const auto found = open_paths_.find(fd);
  return found == open_paths_.end() ? std::string() : found->second;
}

int FailingDisk::open(const char* path, int flags, mode_t mode) {
  if (fails(DiskCall::kOpen, path)) return -1;
  const int fd = Disk::open(path, flags, mode);
  if (fd >= 0) open_paths_[fd] = path;
  return fd;
}

ssize_t FailingDisk::read(int fd, void* buffer, std::size_t size) {
  return fails(DiskCall::kRead, path_of(fd)) ? -1 : Disk::read(fd, buffer, size);
}

ssize_t FailingDisk::pread(int fd, void* buffer, std::size_t size, off_t at) {
  return fails(DiskCall::kRead, path_of(fd)) ? -1 : Disk::pread(fd, buffer, size, at);
}

ssize_t FailingDisk::write(int fd, const void* bytes, std::size_t size) {
  return fails(DiskCall::kWrite, path_of(fd)) ? -1 : Disk::write(fd, bytes, size);
}

int FailingDisk::fsync(int fd) { return fails(DiskCall::kFsync, path_of(fd)) ? -1 : Disk::fsync(fd); }

int FailingDisk::rename(const char* from, const char* to) {
  return fails(DiskCall::kRename, from) ? -1 : Disk::rename(from, to);
}

int FailingDisk::rename_new(const char* from, const char* to) {
  return fails(DiskCall::kRename, from) ? -1 : Disk::rename_new(from, to);
}

int FailingDisk::unlink(const char* path) { return fails(DiskCall::kUnlink, path) ? -1 : Disk::unlink(path); }

int FailingDisk::flock(int fd, int operation) {
  return fails(DiskCall::kFlock, path_of(fd)) ? -1 : Disk::flock(fd, operation);
}

std::vector<std::filesystem::directory_entry> FailingDisk::list(const std::filesystem::path& folder,
                                                                std::error_code& error) {
  if (fails(DiskCall::kList, folder.string())) {
    error = std::error_code(errno, std::generic_category());
    return {};
  }
  return Disk::list(folder, error);
}

}  // namespace vemba_test

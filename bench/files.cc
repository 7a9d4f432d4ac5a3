#include "files.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace bench {
namespace {

std::expected<void, std::string> write_fd(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(fmt::format("write: {}", std::strerror(errno)));
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return {};
}

std::expected<void, std::string> write_whole(const std::filesystem::path& path, std::string_view bytes, bool sync) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) return std::unexpected(fmt::format("open {}: {}", path.string(), std::strerror(errno)));
  auto written = write_fd(fd, bytes);
  if (written && sync && ::fsync(fd) != 0) written = std::unexpected(fmt::format("fsync: {}", std::strerror(errno)));
  ::close(fd);
  return written;
}

}  // namespace

std::expected<std::string, std::string> read_file(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return std::unexpected(fmt::format("read {}: {}", path.string(), std::strerror(errno)));
  struct stat info {};
  std::string text;
  if (::fstat(fd, &info) == 0 && info.st_size > 0) text.reserve(static_cast<std::size_t>(info.st_size));
  char chunk[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const std::string reason = std::strerror(errno);
      ::close(fd);
      return std::unexpected(fmt::format("read {}: {}", path.string(), reason));
    }
    if (n == 0) break;
    text.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return text;
}

std::expected<void, std::string> write_file(const std::filesystem::path& path, std::string_view bytes) {
  return write_whole(path, bytes, false);
}

namespace {

std::expected<void, std::string> sync_folder_of(const std::filesystem::path& path) {
  const int fd = ::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0 || ::fsync(fd) != 0) {
    const std::string reason = std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return std::unexpected(fmt::format("sync folder of {}: {}", path.string(), reason));
  }
  ::close(fd);
  return {};
}

std::expected<void, std::string> rename_over(const std::filesystem::path& temp, const std::filesystem::path& target) {
  if (std::rename(temp.c_str(), target.c_str()) != 0)
    return std::unexpected(fmt::format("rename {}: {}", target.string(), std::strerror(errno)));
  return {};
}

}  // namespace

std::expected<void, std::string> atomic_write(const std::filesystem::path& path, std::string_view bytes,
                                              bool sync_folder) {
  std::filesystem::path temp = path;
  temp += ".tmp";
  if (auto written = write_whole(temp, bytes, true); !written) return written;
  if (auto renamed = rename_over(temp, path); !renamed) return renamed;
  if (sync_folder) return sync_folder_of(path);
  return {};
}

std::expected<int, std::string> begin_write(const std::filesystem::path& temp, std::string_view bytes) {
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
  if (fd < 0) return std::unexpected(fmt::format("open {}: {}", temp.string(), std::strerror(errno)));
  if (auto written = write_fd(fd, bytes); !written) {
    ::close(fd);
    return std::unexpected(written.error());
  }
#if defined(__linux__)
  ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
  return fd;
}

std::expected<void, std::string> finish_write(int fd, const std::filesystem::path& temp,
                                              const std::filesystem::path& target) {
  const bool synced = ::fsync(fd) == 0;
  const std::string reason = synced ? "" : std::strerror(errno);
  ::close(fd);
  if (!synced) return std::unexpected(fmt::format("fsync {}: {}", temp.string(), reason));
  if (auto renamed = rename_over(temp, target); !renamed) return renamed;
  return sync_folder_of(target);
}

}  // namespace bench

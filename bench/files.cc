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

std::expected<void, std::string> atomic_write(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::path temp = path;
  temp += ".tmp";
  if (auto written = write_whole(temp, bytes, true); !written) return written;
  if (std::rename(temp.c_str(), path.c_str()) != 0)
    return std::unexpected(fmt::format("rename {}: {}", path.string(), std::strerror(errno)));
  return {};
}

}  // namespace bench

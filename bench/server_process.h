// The real server as a child process: one request line in, one reply line out.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <expected>
#include <filesystem>
#include <string>
#include <string_view>

namespace bench {

class ServerProcess {
 public:
  /// Starts `binary --library library` with the binary's folder first on PATH
  /// (the text-extraction stand-ins live beside it).
  static std::expected<ServerProcess, std::string> start(const std::filesystem::path& binary,
                                                         const std::filesystem::path& library);
  ServerProcess(ServerProcess&& other) noexcept;
  ServerProcess& operator=(ServerProcess&&) = delete;
  ~ServerProcess();

  std::expected<void, std::string> send(std::string_view line);
  /// The next line from the server, without its line feed.
  std::expected<std::string, std::string> receive();
  /// When the last received line's line feed arrived, before the line was copied out.
  std::chrono::steady_clock::time_point line_end() const { return line_end_; }
  /// Closes stdin, waits for the exit and returns the server's peak resident size in bytes.
  std::expected<std::size_t, std::string> finish();

 private:
  ServerProcess(pid_t pid, int in_fd, int out_fd) : pid_(pid), in_(in_fd), out_(out_fd) {}

  pid_t pid_ = -1;
  int in_ = -1, out_ = -1;
  std::string buffer_;
  std::size_t scanned_ = 0;
  std::chrono::steady_clock::time_point line_end_;
};

}  // namespace bench

#include "server_process.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

extern char** environ;

namespace bench {
namespace {

std::string error_text(std::string_view step) { return fmt::format("{}: {}", step, std::strerror(errno)); }

// pipe2 is not on macOS: set close-on-exec by hand; spawning is single-threaded here.
bool make_pipe(int fds[2]) {
  if (::pipe(fds) != 0) return false;
  ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  ::fcntl(fds[1], F_SETFD, FD_CLOEXEC);
  return true;
}

#ifdef __linux__
// posix_spawn starts the child in the parent's address space (vfork style), and
// Linux hands that space's high-water mark to the child's ru_maxrss at exec; the
// server's own peak is its VmHWM, read while it waits for the next line.
std::size_t own_peak_bytes(pid_t pid) {
  std::FILE* f = std::fopen(fmt::format("/proc/{}/status", pid).c_str(), "r");
  if (!f) return 0;
  char line[256];
  std::size_t kb = 0;
  while (std::fgets(line, sizeof line, f))
    if (std::strncmp(line, "VmHWM:", 6) == 0) kb = std::strtoull(line + 6, nullptr, 10);
  std::fclose(f);
  return kb * 1024;
}
#endif

}  // namespace

std::expected<ServerProcess, std::string> ServerProcess::start(const std::filesystem::path& binary,
                                                               const std::filesystem::path& library) {
  int to_child[2], from_child[2];
  if (!make_pipe(to_child)) return std::unexpected(error_text("pipe"));
  if (!make_pipe(from_child)) return std::unexpected(error_text("pipe"));
  const char* old_path = std::getenv("PATH");
  std::vector<std::string> env{
      fmt::format("PATH={}:{}", binary.parent_path().string(), old_path ? old_path : "/usr/bin:/bin")};
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "PATH=", 5) != 0) env.emplace_back(*e);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string bin = binary.string(), flag = "--library", lib = library.string();
  char* argv[] = {bin.data(), flag.data(), lib.data(), nullptr};

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, to_child[0], 0);
  posix_spawn_file_actions_adddup2(&actions, from_child[1], 1);
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, bin.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(to_child[0]);
  ::close(from_child[1]);
  if (rc != 0) {
    ::close(to_child[1]);
    ::close(from_child[0]);
    return std::unexpected(fmt::format("spawn {}: {}", bin, std::strerror(rc)));
  }
  return ServerProcess(pid, to_child[1], from_child[0]);
}

ServerProcess::ServerProcess(ServerProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      in_(std::exchange(other.in_, -1)),
      out_(std::exchange(other.out_, -1)),
      buffer_(std::move(other.buffer_)),
      scanned_(other.scanned_),
      line_end_(other.line_end_) {}

ServerProcess::~ServerProcess() {
  if (pid_ > 0) (void)finish();
}

std::expected<void, std::string> ServerProcess::send(std::string_view line) {
  std::string text(line);
  text += '\n';
  std::string_view rest = text;
  while (!rest.empty()) {
    const ssize_t n = ::write(in_, rest.data(), rest.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(error_text("write request"));
    }
    rest.remove_prefix(static_cast<std::size_t>(n));
  }
  return {};
}

std::expected<std::string, std::string> ServerProcess::receive() {
  for (;;) {
    if (const auto nl = buffer_.find('\n', scanned_); nl != std::string::npos) {
      line_end_ = std::chrono::steady_clock::now();
      std::string line = buffer_.substr(0, nl);
      buffer_.erase(0, nl + 1);
      scanned_ = 0;
      return line;
    }
    scanned_ = buffer_.size();
    const std::size_t old = buffer_.size();
    buffer_.resize(old + (1 << 20));
    const ssize_t n = ::read(out_, buffer_.data() + old, 1 << 20);
    buffer_.resize(old + static_cast<std::size_t>(n > 0 ? n : 0));
    if (n == 0) return std::unexpected("server closed its output");
    if (n < 0 && errno != EINTR) return std::unexpected(error_text("read reply"));
  }
}

std::expected<std::size_t, std::string> ServerProcess::finish() {
#ifdef __linux__
  const std::size_t peak = own_peak_bytes(pid_);
#endif
  if (in_ >= 0) ::close(in_);
  in_ = -1;
  int status = 0;
  struct rusage usage {};
  const pid_t waited = ::wait4(pid_, &status, 0, &usage);
  pid_ = -1;
  if (out_ >= 0) ::close(out_);
  out_ = -1;
  if (waited < 0) return std::unexpected(error_text("wait"));
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::unexpected("server did not exit cleanly");
#if defined(__linux__)
  if (peak) return peak;
  return static_cast<std::size_t>(usage.ru_maxrss) * 1024;  // kilobytes on Linux
#elif defined(__APPLE__)
  return static_cast<std::size_t>(usage.ru_maxrss);  // bytes on macOS
#else
  return static_cast<std::size_t>(usage.ru_maxrss) * 1024;
#endif
}

}  // namespace bench

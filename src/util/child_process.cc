#include "util/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <thread>

extern char** environ;

namespace vemba_util {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxCaptured = 64u << 20;

struct Fd {
  int fd = -1;
  Fd() = default;
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { reset(); }
  void reset() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
};

// Not pipe2, which macOS lacks. Close-on-exec set after the pipe is made is
// safe while no other thread starts a program meanwhile.
bool make_pipe(Fd& read_end, Fd& write_end) {
  int fds[2];
  if (::pipe(fds) != 0) return false;
  read_end.fd = fds[0];
  write_end.fd = fds[1];
  return ::fcntl(fds[0], F_SETFD, FD_CLOEXEC) == 0 && ::fcntl(fds[1], F_SETFD, FD_CLOEXEC) == 0;
}

int millis_left(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1 << 30));
}

// Reads both pipes until each reaches its end; false when the time ran out.
bool drain(int out_fd, int err_fd, Clock::time_point deadline, std::string& out) {
  pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
  int open = 2;
  char buf[65536];
  while (open > 0) {
    const int wait = millis_left(deadline);
    if (wait == 0) return false;
    const int ready = ::poll(fds, 2, wait);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        fds[i].fd = -1;  // poll skips negative descriptors
        --open;
      } else if (i == 0 && out.size() < kMaxCaptured) {
        out.append(buf, std::min(static_cast<std::size_t>(n), kMaxCaptured - out.size()));
      }
    }
  }
  return true;
}

// The child's wait status, or none when the deadline passed first.
std::optional<int> wait_until(pid_t pid, Clock::time_point deadline) {
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return status;
    if (done < 0 && errno != EINTR) return -1;
    if (Clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
  }
}

void kill_and_reap(pid_t pid) {
  // The child leads its own group, so helpers it started die with it.
  ::kill(-pid, SIGKILL);
  ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

struct SpawnSetup {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    // The server ignores SIGPIPE; the child should not inherit that.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
  }
};

}  // namespace

ChildRun run_child(const std::vector<std::string>& argv, ChildOutput output, Clock::time_point deadline) {
  ChildRun run;
  if (argv.empty()) return run;
  if (Clock::now() >= deadline) {
    run.timed_out = true;
    return run;
  }
  Fd out_read, out_write, err_read, err_write;
  const bool capture = output == ChildOutput::kCapture;
  if (capture && (!make_pipe(out_read, out_write) || !make_pipe(err_read, err_write))) return run;
  SpawnSetup setup;
  posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
  if (capture) {
    posix_spawn_file_actions_adddup2(&setup.actions, out_write.fd, 1);
    posix_spawn_file_actions_adddup2(&setup.actions, err_write.fd, 2);
  } else {
    posix_spawn_file_actions_addopen(&setup.actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&setup.actions, 2, "/dev/null", O_WRONLY, 0);
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  if (::posix_spawnp(&pid, args[0], &setup.actions, &setup.attr, args.data(), environ) != 0) return run;
  out_write.reset();
  err_write.reset();
  bool in_time = !capture || drain(out_read.fd, err_read.fd, deadline, run.out);
  out_read.reset();
  err_read.reset();
  std::optional<int> status = in_time ? wait_until(pid, deadline) : std::nullopt;
  if (!status) {
    kill_and_reap(pid);
    run.timed_out = true;
    run.out.clear();
    return run;
  }
  run.exited_zero = WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
  return run;
}

}  // namespace vemba_util

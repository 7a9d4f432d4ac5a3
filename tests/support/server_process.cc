#include "support/server_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace vemba_test {
namespace {

std::vector<char*> c_strings(std::vector<std::string>& texts) {
  std::vector<char*> out;
  for (std::string& t : texts) out.push_back(t.data());
  out.push_back(nullptr);
  return out;
}

// Our ends must not leak into servers started later.
void make_pipe(int fds[2]) {
  if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
  ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  ::fcntl(fds[1], F_SETFD, FD_CLOEXEC);
}

// Between fork and exec: async-signal-safe calls only.
void hand_down(HostState signals) {
  sigset_t mask;
  sigemptyset(&mask);
  if (signals == HostState::kAlarmBlockedChildIgnored) {
    sigaddset(&mask, SIGALRM);
    sigaddset(&mask, SIGCHLD);
  }
  ::sigprocmask(SIG_SETMASK, &mask, nullptr);
  ::signal(SIGPIPE, SIG_DFL);
  ::signal(SIGALRM, SIG_DFL);
  ::signal(SIGCHLD, signals == HostState::kAlarmBlockedChildIgnored ? SIG_IGN : SIG_DFL);
}

// Between fork and exec too: the streams as the host hands them down, once
// the test's pipes are in place.
void hand_down_streams(HostState streams) {
  switch (streams) {
    case HostState::kNonBlockingStreams:
      ::fcntl(0, F_SETFL, O_NONBLOCK);
      ::fcntl(1, F_SETFL, O_NONBLOCK);
      break;
    case HostState::kInputClosed:
      ::close(0);
      break;
    case HostState::kInputIsOutput:
      ::dup2(1, 0);
      break;
    case HostState::kInputWriteOnly:
      ::close(0);
      ::open("/dev/null", O_WRONLY);
      break;
    case HostState::kOutputClosed:
      ::close(1);
      break;
    case HostState::kErrorOutputClosed:
      ::close(2);
      break;
    case HostState::kClean:
    case HostState::kAlarmBlockedChildIgnored:
      break;
  }
}

}  // namespace

// fork and exec rather than posix_spawn, which cannot hand down an ignored
// signal that the parent itself does not ignore.
ServerProcess::ServerProcess(const std::string& binary, const std::vector<std::string>& args,
                             const std::vector<std::string>& env, HostState signals) {
  ::signal(SIGPIPE, SIG_IGN);
  int in_pipe[2], out_pipe[2], exec_error[2];
  make_pipe(in_pipe);
  make_pipe(out_pipe);
  make_pipe(exec_error);
  std::vector<std::string> argv_texts{binary};
  argv_texts.insert(argv_texts.end(), args.begin(), args.end());
  std::vector<std::string> env_texts = env;
  auto argv = c_strings(argv_texts);
  auto envp = c_strings(env_texts);
  pid_ = ::fork();
  const int fork_error = pid_ < 0 ? errno : 0;
  if (pid_ == 0) {
    hand_down(signals);
    ::dup2(in_pipe[0], 0);
    ::dup2(out_pipe[1], 1);
    hand_down_streams(signals);
    ::execve(binary.c_str(), argv.data(), envp.data());
    const int err = errno;
    (void)!::write(exec_error[1], &err, sizeof err);
    ::_exit(127);
  }
  ::close(in_pipe[0]);
  ::close(out_pipe[1]);
  ::close(exec_error[1]);
  in_fd_ = in_pipe[1];
  out_fd_ = out_pipe[0];
  // The error pipe closes on a successful exec; a failed one writes errno.
  int err = fork_error;
  while (pid_ > 0 && ::read(exec_error[0], &err, sizeof err) < 0 && errno == EINTR) {
  }
  ::close(exec_error[0]);
  if (err != 0) {
    close_input();
    close_output();
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    throw std::runtime_error("spawn failed: " + binary + ": " + std::strerror(err));
  }
}

ServerProcess::~ServerProcess() {
  close_input();
  close_output();
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

void ServerProcess::write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(in_fd_, bytes.data(), bytes.size());
    if (n <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

std::optional<std::string> ServerProcess::read_line(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (auto nl = pending_.find('\n'); nl != std::string::npos) {
      std::string line = pending_.substr(0, nl);
      pending_.erase(0, nl + 1);
      return line;
    }
    if (out_fd_ < 0) return std::nullopt;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd p{out_fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return std::nullopt;
    char buf[65536];
    const ssize_t n = ::read(out_fd_, buf, sizeof buf);
    if (n <= 0) return std::nullopt;
    pending_.append(buf, static_cast<std::size_t>(n));
  }
}

void ServerProcess::close_input() {
  if (in_fd_ >= 0) ::close(in_fd_);
  in_fd_ = -1;
}

void ServerProcess::close_output() {
  if (out_fd_ >= 0) ::close(out_fd_);
  out_fd_ = -1;
}

int ServerProcess::wait(std::chrono::milliseconds limit) {
  close_input();
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  for (int waited; (waited = ::waitpid(pid_, &status, WNOHANG)) != pid_;) {
    if (waited < 0 && errno != EINTR) return -1;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace vemba_test

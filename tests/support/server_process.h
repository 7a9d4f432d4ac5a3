#pragma once
// Starts the real vemba_connector binary and talks to it line by line.

#include <boost/json/value.hpp>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vemba_test {

/// What a host hands down across exec: its signal state and streams.
enum class HostState {
  kClean,                     // nothing blocked; SIGPIPE, SIGALRM and SIGCHLD at their defaults
  kAlarmBlockedChildIgnored,  // SIGALRM and SIGCHLD blocked, SIGCHLD ignored
  kNonBlockingStreams,        // clean signals; standard input and output non-blocking
  // Clean signals and each stream as the test's pipes but the one named:
  kInputClosed,       // no descriptor 0
  kInputIsOutput,     // 0 the write end of the output pipe, whose read end we hold
  kInputWriteOnly,    // 0 a file open for writing only
  kOutputClosed,      // no descriptor 1
  kErrorOutputClosed  // no descriptor 2
};

class ServerProcess {
 public:
  /// `args` follow the program path; `env` replaces the environment ("K=V").
  ServerProcess(const std::string& binary, const std::vector<std::string>& args, const std::vector<std::string>& env,
                HostState signals = HostState::kClean);
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  /// Writes the bytes as they are.
  void write(std::string_view bytes);
  /// Writes one line followed by "\n".
  void send(std::string_view line) { write(std::string(line) + "\n"); }
  /// The next output line without its "\n"; none at end of output or timeout.
  std::optional<std::string> read_line(std::chrono::milliseconds timeout = std::chrono::seconds(20));
  /// Closes the server's standard input.
  void close_input();
  /// Closes the read end of the server's standard output.
  void close_output();
  /// Closes the server's input and waits for the process, `limit` at most
  /// (then kills it); its exit status, or -1 when it did not exit normally
  /// or in time.
  int wait(std::chrono::milliseconds limit = std::chrono::minutes(5));
  /// The server's process id, until it was waited for.
  int pid() const { return pid_; }

 private:
  int pid_ = -1;
  int in_fd_ = -1;   // our end of the server's stdin
  int out_fd_ = -1;  // our end of the server's stdout
  std::string pending_;
};

}  // namespace vemba_test

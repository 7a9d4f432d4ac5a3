#pragma once
// The request lines from the host. A thread of its own reads them as they
// come in and stamps each with its arrival, so that a call's bounds count
// from when the host sent it, even while the calls before it are served.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace vemba_connector {

class LineReader {
 public:
  struct Line {
    std::string text;  // with its "\n"; the last line may lack it
    std::chrono::steady_clock::time_point arrived;
  };

  /// Starts reading `fd`, which stays the caller's.
  explicit LineReader(int fd);
  /// Stops the reading; what was not taken is dropped.
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  /// The next line, waiting for it; none at the end of the input or on a
  /// read error, at once when `fd` is not open for reading.
  std::optional<Line> next();

 private:
  // One wait and one read; false once the input ended or the reading was
  // stopped.
  bool read_once(std::string& piece);
  // Appends a piece of input, queueing each line it completes.
  void take_in(std::string_view piece, std::chrono::steady_clock::time_point at);
  void end();

  int fd_;
  int wake_[2] = {-1, -1};  // written to stop the reading
  std::string partial_;     // the reading thread's: a line not yet whole
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Line> lines_;
  bool ended_ = false;
  std::thread reading_;
};

}  // namespace vemba_connector

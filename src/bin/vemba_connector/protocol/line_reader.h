#pragma once
// The request lines from the host. A thread of its own reads them as they
// come in and stamps each with its arrival, so that a call's bounds count
// from when the host sent it, even while the calls before it are served.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <expected>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace vemba_connector {

class LineReader {
 public:
  /// How far the reading runs ahead of the loop: once the lines read and not
  /// yet taken, with the one being read, hold this many bytes, the reading
  /// waits until the loop takes a line, and a faster host waits at the pipe.
  /// A line read after such a wait is stamped when it was read, not when the
  /// host wrote it. A single line longer than this is still read whole once
  /// no other line waits to be taken. When the loop has taken every line of a
  /// burst that reached this bound and the input pauses (100 ms), the heap's
  /// free memory is given back.
  static constexpr std::size_t kReadAhead = std::size_t{4} << 20;

  struct Line {
    std::string text;  // with its "\n"; the last line may lack it
    std::chrono::steady_clock::time_point arrived;
  };

  /// Starts reading `fd`, which stays the caller's; the system's text when no
  /// reading thread can be started.
  static std::expected<std::unique_ptr<LineReader>, std::string> start(int fd);
  /// Stops the reading; what was not taken is dropped.
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  /// The next line, waiting for it; none at the end of the input or on a
  /// read error, at once when `fd` is not open for reading.
  std::optional<Line> next();

 private:
  LineReader(int fd, const int (&wake)[2]) : fd_(fd), wake_{wake[0], wake[1]} {}
  // The reading thread: reads until the input ends or the reading is stopped.
  void read_all();
  // Waits while the bound is reached; false once the reading is stopped.
  bool wait_for_room();
  // One wait and one read; false once the input ended or the reading was
  // stopped.
  bool read_once(std::string& piece);
  // Appends a piece of input, queueing each line it completes.
  void take_in(std::string_view piece, std::chrono::steady_clock::time_point at);
  // Under the lock: queues the line read so far.
  void queue_partial(std::chrono::steady_clock::time_point at);
  void end();

  const int fd_;
  const int wake_[2];    // written to stop the reading
  std::string partial_;  // the reading thread's: a line not yet whole
  std::mutex mutex_;
  std::condition_variable ready_;  // a line queued, or the input ended
  std::condition_variable room_;   // a line taken, or the reading stopped
  std::deque<Line> lines_;
  std::size_t queued_ = 0;  // what lines_ holds: each text's buffer and its slot
  bool ended_ = false;
  bool stopping_ = false;
  bool burst_ = false;  // the bound was reached since memory was last given back
  std::thread reading_;
};

}  // namespace vemba_connector

#include "vemba_connector/protocol/line_reader.h"

#include "vemba_connector/protocol/ready.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

namespace vemba_connector {
namespace {

constexpr std::size_t kPiece = 1 << 16;

// The write end of a pipe is never ready to be read, so a wait on it would
// never end; a file open for writing only fails its first read anyway.
bool readable(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  return flags >= 0 && (flags & O_ACCMODE) != O_WRONLY;
}

}  // namespace

LineReader::LineReader(int fd) : fd_(fd) {
  // Without its pipe the thread could not be stopped: the lines are then
  // read as the loop asks for them, stamped no earlier than that.
  if (::pipe(wake_) != 0) return;
  for (const int end : wake_) ::fcntl(end, F_SETFD, FD_CLOEXEC);
  try {
    reading_ = std::thread([this] {
      if (!readable(fd_)) return end();
      std::string piece(kPiece, '\0');
      while (read_once(piece)) {
      }
    });
  } catch (const std::system_error&) {
    for (int& end : wake_) ::close(std::exchange(end, -1));
  }
}

LineReader::~LineReader() {
  if (reading_.joinable()) {
    const char stop = 0;
    while (::write(wake_[1], &stop, 1) < 0 && errno == EINTR) {
    }
    reading_.join();
  }
  for (const int end : wake_)
    if (end >= 0) ::close(end);
}

void LineReader::take_in(std::string_view piece, std::chrono::steady_clock::time_point at) {
  std::lock_guard<std::mutex> hold(mutex_);
  for (std::size_t line_end; (line_end = piece.find('\n')) != std::string_view::npos;) {
    partial_.append(piece.substr(0, line_end + 1));
    lines_.push_back({std::move(partial_), at});
    partial_.clear();
    piece.remove_prefix(line_end + 1);
  }
  partial_.append(piece);
  ready_.notify_one();
}

void LineReader::end() {
  std::lock_guard<std::mutex> hold(mutex_);
  if (!partial_.empty()) lines_.push_back({std::move(partial_), std::chrono::steady_clock::now()});
  partial_.clear();
  ended_ = true;
  ready_.notify_one();
}

bool LineReader::read_once(std::string& piece) {
  // A host may hand down a non-blocking descriptor: the wait covers it.
  const Ready ready = wait_ready(fd_, Direction::kRead, wake_[0]);
  if (ready == Ready::kWake) return false;
  const ssize_t n = ::read(fd_, piece.data(), piece.size());
  if (n > 0) {
    take_in(std::string_view(piece.data(), static_cast<std::size_t>(n)), std::chrono::steady_clock::now());
    return true;
  }
  if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) && ready != Ready::kFailed) return true;
  end();
  return false;
}

std::optional<LineReader::Line> LineReader::next() {
  if (!reading_.joinable()) {
    // No thread, so no other reader of the queue.
    std::string piece(kPiece, '\0');
    while (lines_.empty() && !ended_ && read_once(piece)) {
    }
  }
  std::unique_lock<std::mutex> hold(mutex_);
  ready_.wait(hold, [this] { return !lines_.empty() || ended_; });
  if (lines_.empty()) return std::nullopt;
  Line line = std::move(lines_.front());
  lines_.pop_front();
  return line;
}

}  // namespace vemba_connector

#include "vemba_connector/protocol/line_reader.h"

#include "util/heap.h"
#include "vemba_connector/protocol/ready.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <utility>

namespace vemba_connector {
namespace {

constexpr std::size_t kPiece = 1 << 16;

// How long the input pauses, with every line of a burst taken, before its
// memory is given back.
constexpr std::chrono::milliseconds kBurstOver{100};

// The write end of a pipe is never ready to be read, so a wait on it would
// never end; a file open for writing only fails its first read anyway.
bool readable(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  return flags >= 0 && (flags & O_ACCMODE) != O_WRONLY;
}

// What a queued line counts against the bound: its text's whole buffer, which
// growing by appends may have made up to twice the text, and its slot, so
// that many short lines count too.
std::size_t charge(const LineReader::Line& line) { return line.text.capacity() + sizeof(LineReader::Line); }

}  // namespace

std::expected<std::unique_ptr<LineReader>, std::string> LineReader::start(int fd) {
  int wake[2];
  if (::pipe(wake) != 0) return std::unexpected(std::string("read the input: ") + std::strerror(errno));
  for (const int end : wake) ::fcntl(end, F_SETFD, FD_CLOEXEC);
  std::unique_ptr<LineReader> reader(new LineReader(fd, wake));
  try {
    reader->reading_ = std::thread([r = reader.get()] { r->read_all(); });
  } catch (const std::exception& e) {
    return std::unexpected(std::string("read the input: ") + e.what());
  }
  return reader;
}

LineReader::~LineReader() {
  if (reading_.joinable()) {
    {
      std::lock_guard<std::mutex> hold(mutex_);
      stopping_ = true;
    }
    room_.notify_one();
    const char stop = 0;
    while (::write(wake_[1], &stop, 1) < 0 && errno == EINTR) {
    }
    reading_.join();
  }
  for (const int end : wake_) ::close(end);
}

void LineReader::read_all() {
  if (!readable(fd_)) return end();
  std::string piece(kPiece, '\0');
  while (wait_for_room() && read_once(piece)) {
  }
}

// The line being read counts too; but when no other waits to be taken, the
// loop waits for this one, however long it grows.
bool LineReader::wait_for_room() {
  std::unique_lock<std::mutex> hold(mutex_);
  if (queued_ + partial_.capacity() >= kReadAhead) burst_ = true;
  room_.wait(hold, [this] { return stopping_ || lines_.empty() || queued_ + partial_.capacity() < kReadAhead; });
  return !stopping_;
}

void LineReader::queue_partial(std::chrono::steady_clock::time_point at) {
  lines_.push_back({std::move(partial_), at});
  queued_ += charge(lines_.back());
  partial_.clear();
}

void LineReader::take_in(std::string_view piece, std::chrono::steady_clock::time_point at) {
  std::lock_guard<std::mutex> hold(mutex_);
  for (std::size_t line_end; (line_end = piece.find('\n')) != std::string_view::npos;) {
    partial_.append(piece.substr(0, line_end + 1));
    queue_partial(at);
    piece.remove_prefix(line_end + 1);
  }
  partial_.append(piece);
  ready_.notify_one();
}

void LineReader::end() {
  std::lock_guard<std::mutex> hold(mutex_);
  if (!partial_.empty()) queue_partial(std::chrono::steady_clock::now());
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
  std::unique_lock<std::mutex> hold(mutex_);
  const auto waiting = [this] { return !lines_.empty() || ended_; };
  // The loop comes back for more only once the line before is served and
  // gone; nothing queued for a while then means the burst is over, not that
  // the reading is a moment behind.
  if (burst_ && !ready_.wait_for(hold, kBurstOver, waiting)) {
    burst_ = false;
    hold.unlock();
    vemba_util::give_back_free_memory();
    hold.lock();
  }
  ready_.wait(hold, waiting);
  if (lines_.empty()) return std::nullopt;
  queued_ -= charge(lines_.front());
  Line line = std::move(lines_.front());
  lines_.pop_front();
  room_.notify_one();
  return line;
}

}  // namespace vemba_connector

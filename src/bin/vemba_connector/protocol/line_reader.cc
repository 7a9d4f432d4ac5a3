#include "vemba_connector/protocol/line_reader.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>

namespace vemba_connector {
namespace {

constexpr std::size_t kPiece = 1 << 16;

bool readable_now(int fd) {
  pollfd p{fd, POLLIN, 0};
  for (;;) {
    const int ready = ::poll(&p, 1, 0);
    if (ready < 0 && errno == EINTR) continue;
    return ready > 0;
  }
}

}  // namespace

bool LineReader::read_more() {
  if (ended_) return false;
  // What was returned is dropped first, so the buffer holds only lines to come.
  buffer_.erase(0, start_);
  start_ = 0;
  const std::size_t have = buffer_.size();
  buffer_.resize(have + kPiece);
  for (;;) {
    const ssize_t n = ::read(fd_, buffer_.data() + have, kPiece);
    if (n > 0) {
      buffer_.resize(have + static_cast<std::size_t>(n));
      return true;
    }
    if (n < 0 && errno == EINTR) continue;
    // A host may hand down a non-blocking descriptor: wait for it to fill.
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, -1) >= 0 || errno == EINTR) continue;
    }
    buffer_.resize(have);
    ended_ = true;
    return false;
  }
}

std::optional<std::string_view> LineReader::next() {
  for (;;) {
    const std::size_t end = buffer_.find('\n', start_ + scanned_);
    if (end != std::string::npos) {
      const std::string_view line(buffer_.data() + start_, end + 1 - start_);
      start_ = end + 1;
      scanned_ = 0;
      ++returned_;
      return line;
    }
    scanned_ = buffer_.size() - start_;
    if (!read_more()) break;
  }
  if (start_ == buffer_.size()) return std::nullopt;
  const std::string_view last(buffer_.data() + start_, buffer_.size() - start_);
  start_ = buffer_.size();
  scanned_ = 0;
  ++returned_;
  return last;
}

std::uint64_t LineReader::lines_in() {
  while (!ended_ && readable_now(fd_)) {
    if (!read_more()) break;
  }
  const auto waiting = std::count(buffer_.begin() + static_cast<std::ptrdiff_t>(start_), buffer_.end(), '\n');
  return returned_ + static_cast<std::uint64_t>(waiting);
}

}  // namespace vemba_connector

#include "vemba_connector/protocol/ready.h"

#include <poll.h>
#include <sys/select.h>

#include <cerrno>

namespace vemba_connector {
namespace {

// poll() for descriptors beyond what select() can hold.
Ready poll_ready(int fd, Direction direction, int wake) {
  pollfd fds[2] = {{fd, static_cast<short>(direction == Direction::kRead ? POLLIN : POLLOUT), 0}, {wake, POLLIN, 0}};
  for (;;) {
    const int n = ::poll(fds, wake >= 0 ? 2 : 1, -1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || (fds[0].revents & POLLNVAL)) return Ready::kFailed;
    if (wake >= 0 && fds[1].revents) return Ready::kWake;
    return Ready::kFd;
  }
}

}  // namespace

// select(), not poll(): macOS's poll() takes no terminal, which a user
// trying the server by hand may have on standard input.
Ready wait_ready(int fd, Direction direction, int wake) {
  if (fd < 0 || fd >= FD_SETSIZE || wake >= FD_SETSIZE) return poll_ready(fd, direction, wake);
  for (;;) {
    fd_set readable, writable;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_SET(fd, direction == Direction::kRead ? &readable : &writable);
    if (wake >= 0) FD_SET(wake, &readable);
    const int n = ::select((fd > wake ? fd : wake) + 1, &readable, &writable, nullptr, nullptr);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Ready::kFailed;
    if (wake >= 0 && FD_ISSET(wake, &readable)) return Ready::kWake;
    return Ready::kFd;
  }
}

}  // namespace vemba_connector

#pragma once
// Waiting for a descriptor of the host's streams to be ready, which a host
// may have made non-blocking.

namespace vemba_connector {

enum class Direction { kRead, kWrite };
enum class Ready { kFd, kWake, kFailed };

/// Blocks until `fd` can be read or written, as `direction` says, or until
/// `wake` (when not -1) can be read. kFailed when the system refuses the
/// wait (a descriptor that is not open).
Ready wait_ready(int fd, Direction direction, int wake = -1);

}  // namespace vemba_connector

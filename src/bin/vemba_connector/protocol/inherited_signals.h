#pragma once
// The signal state the server relies on, whatever its host handed down.

namespace vemba_connector {

/// Run first in main. Blocked signals and ignored dispositions survive exec:
/// puts SIGCHLD at its default, unblocked (an ignored one has the system reap
/// helpers before waitpid sees their status). SIGPIPE is ignored: a host that
/// closes its end must not kill the server mid-write.
void reset_inherited_signals();

}  // namespace vemba_connector

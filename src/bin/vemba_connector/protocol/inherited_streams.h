#pragma once
// The standard descriptors the server relies on, whatever its host handed
// down.

namespace vemba_connector {

/// Run first in main, before anything opens a file. A descriptor 0, 1 or 2
/// that the host left closed is opened on /dev/null (for reading on 0, for
/// writing on 1 and 2), so no pipe or file of the server's own takes its
/// number: a closed input then ends at once, and replies to a closed output
/// are dropped. Where /dev/null cannot be opened, the descriptor stays closed.
void hold_standard_streams();

}  // namespace vemba_connector

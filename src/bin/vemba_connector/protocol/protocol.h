#pragma once
// The protocol: the message loop, one JSON-RPC request per line in and one
// reply line out, and the methods it answers (server.cc).

#include <cstdio>
#include <string>
#include <vector>

namespace vemba_connector {

/// Serves requests from `in` until it ends, a read fails or a line is not
/// UTF-8. `args` is the command line, read anew by every tool call.
void run_loop(std::FILE* in, std::FILE* out, const std::vector<std::string>& args);

}  // namespace vemba_connector

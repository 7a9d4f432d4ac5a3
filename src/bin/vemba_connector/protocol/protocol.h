#pragma once
// The protocol: the message loop, one JSON-RPC request per line in and one
// reply line out, and the methods it answers (server.cc).

#include "util/status.h"
#include "vemba_connector/protocol/replies.h"
#include "vemba_connector/tools/tools.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vemba_connector {

/// One request as a method sees it: the id (null when absent), the params (an
/// empty object when absent), the command line and when its lock waits end.
struct MethodCall {
  const json::value& id;
  const json::value& params;
  const std::vector<std::string>& args;
  Replies& out;
  vemba_core::project_io::LockDeadline deadline;  // `kLockWait` after the request's line came in
};

/// A protocol method: its exact name and the function that sends its reply.
struct Method {
  std::string_view name;
  void (*serve)(const MethodCall& call);
};

/// The methods the server answers, "notifications/initialized" among them
/// (it sends nothing).
std::span<const Method> protocol_methods();

/// Serves requests from the descriptor `in` until it ends, a read fails or a
/// line is not UTF-8, replying on the descriptor `out`. `args` is the command
/// line, read anew by every tool call. A method that throws is answered with
/// -32603 "internal error" when the request has an id. Fails only when the
/// input cannot be read at all (no thread or pipe to read it with).
vemba_util::Status run_loop(int in, int out, const std::vector<std::string>& args,
                            std::span<const Method> methods = protocol_methods());

}  // namespace vemba_connector

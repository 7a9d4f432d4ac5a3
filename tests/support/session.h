#pragma once
// An end-to-end session: a temporary HOME and library, the real server
// started on them, and helpers to call tools and read their results.

#include "project_io/json/json.h"
#include "support/server_process.h"
#include "support/temp_dir.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vemba_test {

namespace json = boost::json;

struct ToolReply {
  json::value result;  // the reply's `result`
  /// The text of the first content item.
  std::string text() const;
  bool is_error() const;
};

class Session {
 public:
  /// Starts the server with `--library <tmp>/library` unless `args` are given.
  /// `extra_env` entries ("K=V") are added, replacing a default of the same K.
  /// `signals` is the state every server of the session inherits.
  explicit Session(std::optional<std::vector<std::string>> args = std::nullopt, std::vector<std::string> extra_env = {},
                   HostState signals = HostState::kClean);

  const fs::path& home() const { return home_; }
  const fs::path& library() const { return library_; }
  ServerProcess& server() { return *server_; }
  /// One more server on the same library, with the same arguments,
  /// environment and signal state, as a second assistant host would start it.
  std::unique_ptr<ServerProcess> another_server() const;

  /// How long request, raw and call wait for a reply unless told otherwise.
  static constexpr std::chrono::milliseconds kReplyWait = std::chrono::seconds(20);

  /// Sends a request with the given id and returns the parsed reply line.
  json::value request(std::string_view method, const json::value& params, const json::value& id = 1,
                      std::chrono::milliseconds timeout = kReplyWait);
  /// Sends a raw line and returns the next reply, parsed; null when none came.
  std::optional<json::value> raw(std::string_view line, std::chrono::milliseconds timeout = kReplyWait);
  /// A "tools/call"; fails the test when no reply comes.
  ToolReply call(std::string_view tool, const json::value& arguments, std::chrono::milliseconds timeout = kReplyWait);
  /// True when nothing is answered to the lines sent so far (a ping probe
  /// comes back first).
  bool silent();

  /// A project folder with a marker and the given state document.
  fs::path make_project(std::string_view name, std::string_view project_json);
  /// The parsed project.json of a project.
  json::value state(std::string_view name) const;

 private:
  TempDir tmp_;
  fs::path home_, library_;
  std::vector<std::string> args_, env_;
  HostState signals_;
  std::unique_ptr<ServerProcess> server_;
  std::int64_t probe_ = 1000000;
};

/// Parses JSON text in a test; fails the test on error.
json::value parse(std::string_view text);

}  // namespace vemba_test

#pragma once
// The 49 tools: the catalogue announced by "tools/list" and the dispatcher
// of "tools/call". The table in catalogue.cc names each tool's handler.

#include "project_io/json/json.h"
#include "project_io/store/folder_lock.h"

#include <string>
#include <vector>

namespace vemba_connector {

namespace json = boost::json;

/// The outcome of one tool call, sent through one of the four envelopes.
struct ToolResult {
  enum class Kind { kJson, kText, kError, kImage };
  Kind kind;
  json::value value;  // kJson
  std::string text;   // kText, kError; the PNG bytes for kImage

  static ToolResult json_value(json::value v) { return {Kind::kJson, std::move(v), {}}; }
  static ToolResult ok(std::string text) { return {Kind::kText, {}, std::move(text)}; }
  static ToolResult fail(std::string text) { return {Kind::kError, {}, std::move(text)}; }
  static ToolResult png(std::string bytes) { return {Kind::kImage, {}, std::move(bytes)}; }
};

/// Runs one tool call to its one result; never throws. `args` is the command
/// line, where the library root is looked up anew. Every lock wait of the call
/// ends at `deadline`, however long the calls before it took.
ToolResult handle_call(const json::value& params, const std::vector<std::string>& args,
                       vemba_core::project_io::LockDeadline deadline = vemba_core::project_io::lock_deadline());

/// What is kept off a call's path until its reply is out: freeing the project
/// file that a write replaced.
void after_reply();

/// The descriptors for "tools/list" in catalogue order, built anew on each call.
json::array tool_list();

}  // namespace vemba_connector

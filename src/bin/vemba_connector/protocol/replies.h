#pragma once
// Every byte the server writes to standard output leaves through here.

#include "project_io/json/json.h"
#include "util/base64.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

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

/// One reply line per call; write errors are dropped (a host that closed its
/// end must not stop the server).
class Replies {
 public:
  explicit Replies(std::FILE* out) : out_(out) {}

  void send(const json::value& message);
  void result(const json::value& id, json::value result);
  void error(const json::value& id, std::int64_t code, std::string_view message);

  void ok_json(const json::value& id, const json::value& value);
  void ok_text(const json::value& id, std::string_view text);
  void err_text(const json::value& id, std::string_view text);
  void ok_image_png(const json::value& id, std::string_view png);
  void tool_result(const json::value& id, const ToolResult& r);

 private:
  std::FILE* out_;
};

/// Wall-clock milliseconds since the epoch; 0 before it.
unsigned __int128 now_ms();

}  // namespace vemba_connector

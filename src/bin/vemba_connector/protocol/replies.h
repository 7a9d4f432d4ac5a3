#pragma once
// Every byte the server writes to standard output leaves through here.

#include "project_io/json/json.h"
#include "vemba_connector/tools/tools.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace vemba_connector {

namespace json = boost::json;

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
  void text_result(const json::value& id, std::string_view text, std::string_view after);

  std::FILE* out_;
};

}  // namespace vemba_connector

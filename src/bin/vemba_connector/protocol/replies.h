#pragma once
// Every byte the server writes to standard output leaves through here.

#include "project_io/json/json.h"
#include "vemba_connector/tools/tools.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vemba_connector {

namespace json = boost::json;

/// One reply line per call, written whole to the descriptor `out` even when
/// the host made it non-blocking; write errors are dropped (a host that
/// closed its end must not stop the server).
class Replies {
 public:
  explicit Replies(int out) : out_(out) {}

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
  // Writes all of `bytes`, or drops what is left once a write fails.
  void write_all(std::string_view bytes);

  int out_;
  bool failed_ = false;  // in the reply being written
};

}  // namespace vemba_connector

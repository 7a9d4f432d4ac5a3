#include "vemba_connector/protocol/replies.h"

#include "util/base64.h"
#include "vemba_connector/protocol/ready.h"

#include <unistd.h>

#include <cerrno>

namespace vemba_connector {

// A full pipe or socket of a non-blocking output is waited on, so that no
// reply is cut short.
void Replies::write_all(std::string_view bytes) {
  while (!failed_ && !bytes.empty()) {
    const ssize_t n = ::write(out_, bytes.data(), bytes.size());
    if (n >= 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      failed_ = wait_ready(out_, Direction::kWrite) == Ready::kFailed;
    } else if (errno != EINTR) {
      failed_ = true;
    }
  }
}

void Replies::send(const json::value& message) {
  std::string line = vemba_core::project_io::to_compact(message);
  line.push_back('\n');
  failed_ = false;
  write_all(line);
}

void Replies::result(const json::value& id, json::value result) {
  send(json::object{{"id", id}, {"jsonrpc", "2.0"}, {"result", std::move(result)}});
}

void Replies::error(const json::value& id, std::int64_t code, std::string_view message) {
  send(json::object{{"id", id}, {"jsonrpc", "2.0"}, {"error", json::object{{"code", code}, {"message", message}}}});
}

void Replies::ok_json(const json::value& id, const json::value& value) {
  // Hosts reject a structuredContent that is not an object; arrays and other
  // values travel in the text item alone.
  const std::string structured =
      value.is_object() ? R"(,"structuredContent":)" + vemba_core::project_io::to_compact(value) : std::string();
  text_result(id, vemba_core::project_io::to_pretty(value), structured);
}

void Replies::ok_text(const json::value& id, std::string_view text) { text_result(id, text, ""); }

void Replies::err_text(const json::value& id, std::string_view text) { text_result(id, text, R"(,"isError":true)"); }

// The line send() would write for a result of one text item followed by the
// members `after` (compact, each led by a comma, in key order), with the text
// escaped straight to the output a piece at a time: a large text is not
// copied into a value and then into a line.
void Replies::text_result(const json::value& id, std::string_view text, std::string_view after) {
  constexpr std::size_t kPiece = std::size_t{1} << 18;
  std::string out =
      R"({"id":)" + vemba_core::project_io::to_compact(id) + R"(,"jsonrpc":"2.0","result":{"content":[{"text":")";
  failed_ = false;
  for (std::size_t at = 0; at < text.size(); at += kPiece) {
    vemba_core::project_io::append_escaped(out, text.substr(at, kPiece));
    write_all(out);
    out.clear();
  }
  out += R"(","type":"text"}])";
  out += after;
  out += "}}\n";
  write_all(out);
}

void Replies::ok_image_png(const json::value& id, std::string_view png) {
  json::object item{{"type", "image"}, {"mimeType", "image/png"}, {"data", vemba_util::base64_encode(png)}};
  result(id, json::object{{"content", json::array{std::move(item)}}});
}

void Replies::tool_result(const json::value& id, const ToolResult& r) {
  switch (r.kind) {
    case ToolResult::Kind::kJson:
      return ok_json(id, r.value);
    case ToolResult::Kind::kText:
      return ok_text(id, r.text);
    case ToolResult::Kind::kError:
      return err_text(id, r.text);
    case ToolResult::Kind::kImage:
      return ok_image_png(id, r.text);
  }
}

}  // namespace vemba_connector

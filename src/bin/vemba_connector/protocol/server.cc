#include "vemba_connector/protocol/protocol.h"

#include "project_io/json/json.h"
#include "vemba_connector/protocol/prompts.h"
#include "vemba_connector/protocol/replies.h"
#include "vemba_connector/tools/tools.h"

#include <cstdlib>
#include <exception>
#include <optional>
#include <string_view>

namespace vemba_connector {
namespace {

using namespace vemba_core::project_io;

json::value initialize_result() {
  return json::object{{"protocolVersion", "2024-11-05"},
                      {"capabilities", json::object{{"prompts", json::object()}, {"tools", json::object()}}},
                      {"serverInfo", json::object{{"name", "vemba"}, {"version", "0.1.0"}}}};
}

void serve(const json::value& request, Replies& out, const std::vector<std::string>& args) {
  const json::value* id_member = member(request, "id");
  const json::value id = id_member ? *id_member : json::value();
  const std::optional<std::string_view> method = opt_text_of(request, "method");
  const json::value* params = member(request, "params");
  const json::value none = json::object();
  const json::value& given = params ? *params : none;

  if (method == "initialize") return out.result(id, initialize_result());
  if (method == "ping") return out.result(id, json::object());
  if (method == "tools/list") return out.result(id, json::object{{"tools", tool_list()}});
  if (method == "tools/call") return out.tool_result(id, handle_call(given, args));
  if (method == "prompts/list") return out.result(id, prompt_list());
  if (method == "prompts/get") {
    auto filled = prompt_get(given);
    if (filled) return out.result(id, std::move(*filled));
    return out.error(id, -32602, filled.error());
  }
  if (method == "notifications/initialized") return;
  if (id_member) out.error(id, -32601, "method not found");
}

// Strips one "\n" and then one "\r" before it.
std::string_view strip_line_end(std::string_view line) {
  if (line.ends_with('\n')) line.remove_suffix(1);
  if (line.ends_with('\r')) line.remove_suffix(1);
  return line;
}

}  // namespace

void run_loop(std::FILE* in, std::FILE* out, const std::vector<std::string>& args) {
  Replies replies(out);
  char* buffer = nullptr;
  std::size_t capacity = 0;
  ::flockfile(in);
  for (;;) {
    const ssize_t n = ::getline(&buffer, &capacity, in);
    if (n <= 0) break;
    const std::string_view raw(buffer, static_cast<std::size_t>(n));
    if (!is_valid_utf8(raw)) break;
    const std::string_view line = strip_line_end(raw);
    if (trim_white(line).empty()) continue;
    auto request = parse_json(line);
    if (!request || !request->is_object()) continue;
    try {
      serve(*request, replies, args);
    } catch (const std::exception&) {
      // The dispatcher answers its own faults; anything reaching here came
      // from a protocol method and is dropped like an unreadable line.
    }
  }
  ::funlockfile(in);
  std::free(buffer);
}

}  // namespace vemba_connector

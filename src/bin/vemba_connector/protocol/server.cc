#include "vemba_connector/protocol/protocol.h"

#include "project_io/json/json.h"
#include "vemba_connector/protocol/line_reader.h"
#include "vemba_connector/protocol/prompts.h"
#include "vemba_connector/protocol/replies.h"
#include "vemba_connector/tools/tools.h"

#include <algorithm>
#include <cstdlib>
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

void serve_prompt(const MethodCall& call) {
  auto filled = prompt_get(call.params);
  if (filled) return call.out.result(call.id, std::move(*filled));
  call.out.error(call.id, -32602, filled.error());
}

constexpr Method kMethods[] = {
    {"initialize", [](const MethodCall& c) { c.out.result(c.id, initialize_result()); }},
    {"ping", [](const MethodCall& c) { c.out.result(c.id, json::object()); }},
    {"tools/list",
     [](const MethodCall& c) {
       c.out.result(c.id, json::object{{"tools", tool_list()}});
     }},
    {"tools/call", [](const MethodCall& c) { c.out.tool_result(c.id, handle_call(c.params, c.args, c.deadline)); }},
    {"prompts/list", [](const MethodCall& c) { c.out.result(c.id, prompt_list()); }},
    {"prompts/get", serve_prompt},
    {"notifications/initialized", [](const MethodCall&) {}},
};

void serve(const json::value& request, Replies& out, const std::vector<std::string>& args,
           std::span<const Method> methods, LockDeadline deadline) {
  const json::value* id_member = member(request, "id");
  const json::value id = id_member ? *id_member : json::value();
  const std::optional<std::string_view> method = opt_text_of(request, "method");
  const auto found = std::find_if(methods.begin(), methods.end(), [&](const Method& m) { return m.name == method; });
  if (found == methods.end()) {
    if (id_member) out.error(id, -32601, "method not found");
    return;
  }
  const json::value* params = member(request, "params");
  const json::value none = json::object();
  try {
    found->serve({id, params ? *params : none, args, out, deadline});
  } catch (...) {
    // A host waits for every id it sent; a notification expects nothing.
    if (id_member) out.error(id, -32603, "internal error");
  }
}

// Strips one "\n" and then one "\r" before it.
std::string_view strip_line_end(std::string_view line) {
  if (line.ends_with('\n')) line.remove_suffix(1);
  if (line.ends_with('\r')) line.remove_suffix(1);
  return line;
}

}  // namespace

std::span<const Method> protocol_methods() { return kMethods; }

vemba_util::Status run_loop(int in, int out, const std::vector<std::string>& args, std::span<const Method> methods) {
  auto reader = LineReader::start(in);
  if (!reader) return std::unexpected(reader.error());
  Replies replies(out);
  while (const std::optional<LineReader::Line> raw = (*reader)->next()) {
    const LockDeadline deadline = lock_deadline(raw->arrived);
    if (!is_valid_utf8(raw->text)) break;
    const std::string_view line = strip_line_end(raw->text);
    if (trim_white(line).empty()) continue;
    auto request = parse_json(line);
    if (!request || !request->is_object()) continue;
    serve(*request, replies, args, methods, deadline);
    after_reply();
  }
  return {};
}

}  // namespace vemba_connector

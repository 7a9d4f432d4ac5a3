#include "support/session.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vemba_test {

using vemba_core::project_io::parse_json;
using vemba_core::project_io::to_compact;

json::value parse(std::string_view text) {
  auto v = parse_json(text);
  EXPECT_TRUE(v.has_value()) << "not JSON: " << text;
  return v ? *v : json::value();
}

std::string ToolReply::text() const {
  const json::value* content = result.is_object() ? result.as_object().if_contains("content") : nullptr;
  if (!content || !content->is_array() || content->as_array().empty()) return {};
  return std::string(vemba_core::project_io::text_of(content->as_array()[0], "text"));
}

bool ToolReply::is_error() const { return vemba_core::project_io::flag_of(result, "isError"); }

Session::Session(std::optional<std::vector<std::string>> args, std::vector<std::string> extra_env, HostState signals)
    : home_(tmp_ / "home"), library_(tmp_ / "library"), signals_(signals) {
  fs::create_directories(home_);
  fs::create_directories(library_);
  std::vector<std::string> env{"HOME=" + home_.string(), std::string("PATH=") + VEMBA_TOOLS_DIR + ":/usr/bin:/bin"};
  // An extra entry replaces the default of the same name (PATH, typically).
  for (std::string& entry : extra_env) {
    const std::string key = entry.substr(0, entry.find('=') + 1);
    std::erase_if(env, [&](const std::string& e) { return e.starts_with(key); });
    env.push_back(std::move(entry));
  }
  if (const char* asan = std::getenv("ASAN_OPTIONS")) env.push_back(std::string("ASAN_OPTIONS=") + asan);
  env_ = std::move(env);
  args_ = args ? std::move(*args) : std::vector<std::string>{"--library", library_.string()};
  server_ = another_server();
}

std::unique_ptr<ServerProcess> Session::another_server() const {
  return std::make_unique<ServerProcess>(VEMBA_CONNECTOR_BIN, args_, env_, signals_);
}

json::value Session::request(std::string_view method, const json::value& params, const json::value& id,
                             std::chrono::milliseconds timeout) {
  json::object msg{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}};
  auto reply = raw(to_compact(msg), timeout);
  EXPECT_TRUE(reply.has_value()) << "no reply to " << method;
  return reply ? *reply : json::value();
}

std::optional<json::value> Session::raw(std::string_view line, std::chrono::milliseconds timeout) {
  server_->send(line);
  auto reply = server_->read_line(timeout);
  if (!reply) return std::nullopt;
  return parse(*reply);
}

ToolReply Session::call(std::string_view tool, const json::value& arguments, std::chrono::milliseconds timeout) {
  json::value reply = request("tools/call", json::object{{"name", tool}, {"arguments", arguments}}, 1, timeout);
  const json::value* result = reply.is_object() ? reply.as_object().if_contains("result") : nullptr;
  EXPECT_TRUE(result) << "no result: " << to_compact(reply);
  return ToolReply{result ? *result : json::value()};
}

bool Session::silent() {
  const std::int64_t probe = ++probe_;
  server_->send(to_compact(json::object{{"jsonrpc", "2.0"}, {"id", probe}, {"method", "ping"}}));
  auto line = server_->read_line();
  if (!line) return false;
  json::value reply = parse(*line);
  const json::value* id = reply.is_object() ? reply.as_object().if_contains("id") : nullptr;
  return id && id->is_int64() && id->get_int64() == probe;
}

fs::path Session::make_project(std::string_view name, std::string_view project_json) {
  const fs::path folder = library_ / std::string(name);
  write_file(folder / ".vemba", "1\n");
  write_file(folder / "project.json", project_json);
  fs::create_directories(folder / "assets");
  return folder;
}

json::value Session::state(std::string_view name) const {
  return parse(slurp(library_ / std::string(name) / "project.json"));
}

}  // namespace vemba_test

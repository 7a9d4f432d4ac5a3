// The message loop and the protocol methods, through the real binary.

#include "support/session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace vemba_test {
namespace {

using vemba_core::project_io::to_compact;

// The exact reply line to one raw request line.
std::string reply_line(Session& s, std::string_view line) {
  s.server().send(line);
  return s.server().read_line().value_or("<no reply>");
}

TEST(Protocol, InitializeAndPing) {
  Session s;
  const std::string init =
      R"("result":{"capabilities":{"prompts":{},"tools":{}},"protocolVersion":"2024-11-05","serverInfo":{"name":"vemba","version":"0.1.0"}}})";
  EXPECT_EQ(
      reply_line(s, R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"protocolVersion":"1999-01-01"}})"),
      R"({"id":1,"jsonrpc":"2.0",)" + init);
  EXPECT_EQ(reply_line(s, R"({"id":2,"method":"initialize"})"), R"({"id":2,"jsonrpc":"2.0",)" + init);
  EXPECT_EQ(reply_line(s, R"({"jsonrpc":"2.0","id":7,"method":"ping"})"), R"({"id":7,"jsonrpc":"2.0","result":{}})");
  EXPECT_EQ(reply_line(s, R"({"method":"ping"})"), R"({"id":null,"jsonrpc":"2.0","result":{}})");
}

TEST(Protocol, IdsComeBackUnchanged) {
  Session s;
  struct Case {
    const char* id;
    const char* echoed;
  };
  const Case cases[] = {{R"("abc")", R"("abc")"},
                        {"1.5", "1.5"},
                        {"[1,\"x\"]", "[1,\"x\"]"},
                        {R"({"z":1,"a":2})", R"({"a":2,"z":1})"},
                        {"1e2", "100.0"},
                        {"null", "null"},
                        {"-4", "-4"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(reply_line(s, std::string(R"({"method":"ping","id":)") + c.id + "}"),
              std::string(R"({"id":)") + c.echoed + R"(,"jsonrpc":"2.0","result":{}})");
  }
  EXPECT_EQ(reply_line(s, R"({"id":1,"id":2,"method":"ping"})"), R"({"id":2,"jsonrpc":"2.0","result":{}})");
}

TEST(Protocol, UnknownMethods) {
  Session s;
  const char* kNotFound = R"(,"jsonrpc":"2.0"})";
  EXPECT_EQ(reply_line(s, R"({"id":3,"method":"Ping"})"),
            std::string(R"({"error":{"code":-32601,"message":"method not found"},"id":3)") + kNotFound);
  EXPECT_EQ(reply_line(s, R"({"id":"r","method":"tools/list "})"),
            std::string(R"({"error":{"code":-32601,"message":"method not found"},"id":"r")") + kNotFound);
  EXPECT_EQ(reply_line(s, R"({"id":null,"result":{}})"),
            std::string(R"({"error":{"code":-32601,"message":"method not found"},"id":null)") + kNotFound);
  EXPECT_EQ(reply_line(s, R"({"id":4,"method":5})"),
            std::string(R"({"error":{"code":-32601,"message":"method not found"},"id":4)") + kNotFound);
}

TEST(Protocol, LinesWithoutReply) {
  Session s;
  const char* silent_lines[] = {
      "",
      "   \t  ",
      "\r",
      "\xC2\xA0\xC2\xA0",                        // no-break spaces only
      "\xE3\x80\x80",                            // ideographic space
      "\xC2\xA0{\"id\":1,\"method\":\"ping\"}",  // not empty, not JSON either
      "{\"id\":1,\"method\":\"ping\"",           // cut short
      "not json",
      "{\"id\":1,\"method\":\"ping\"} {\"id\":2,\"method\":\"ping\"}",
      "[{\"id\":1,\"method\":\"ping\"}]",
      "42",
      "\"text\"",
      "{\"method\":\"Ping\"}",
      "{\"method\":\"notifications/initialized\"}",
      "{\"id\":9,\"method\":\"notifications/initialized\"}",
      "{\"method\":\"ping\",\"id\":1} // comment",
  };
  for (const char* line : silent_lines) {
    SCOPED_TRACE(line);
    s.server().send(line);
    EXPECT_TRUE(s.silent());
  }
}

TEST(Protocol, ToolCallWithoutIdOrParams) {
  Session s;
  auto r = s.raw(R"({"method":"tools/call","params":{"name":"create_project","arguments":{"name":"Quiet"}}})");
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->as_object().at("id").is_null());
  EXPECT_TRUE(fs::exists(s.library() / "Quiet" / "project.json"));
  EXPECT_EQ(
      reply_line(s, R"({"id":5,"method":"tools/call"})"),
      R"({"id":5,"jsonrpc":"2.0","result":{"content":[{"text":"unknown tool: ","type":"text"}],"isError":true}})");
  EXPECT_EQ(
      reply_line(s, R"({"id":6,"method":"tools/call","params":null})"),
      R"({"id":6,"jsonrpc":"2.0","result":{"content":[{"text":"unknown tool: ","type":"text"}],"isError":true}})");
}

TEST(Protocol, CrLfAndLastLineWithoutLineFeed) {
  Session s;
  s.server().write("{\"id\":1,\"method\":\"ping\"}\r\n{\"id\":2,\"method\":\"ping\"}");
  EXPECT_EQ(s.server().read_line().value_or(""), R"({"id":1,"jsonrpc":"2.0","result":{}})");
  s.server().close_input();
  EXPECT_EQ(s.server().read_line().value_or(""), R"({"id":2,"jsonrpc":"2.0","result":{}})");
  EXPECT_EQ(s.server().wait(), 0);
}

TEST(Protocol, InvalidUtf8EndsTheServer) {
  Session s;
  s.server().write("{\"id\":1,\"method\":\"ping\",\"x\":\"\xff\"}\n{\"id\":2,\"method\":\"ping\"}\n");
  EXPECT_EQ(s.server().read_line(std::chrono::milliseconds(2000)), std::nullopt);
  EXPECT_EQ(s.server().wait(), 0);
}

TEST(Protocol, ClosedOutputDoesNotStopTheServer) {
  Session s;
  s.server().close_output();
  s.server().send(R"({"id":1,"method":"ping"})");
  s.server().send(R"({"id":2,"method":"tools/call","params":{"name":"create_project","arguments":{"name":"After"}}})");
  s.server().close_input();
  EXPECT_EQ(s.server().wait(), 0);
  EXPECT_TRUE(fs::exists(s.library() / "After" / "project.json"));
}

// A host may start the server with a standard descriptor closed, or with an
// input that can never be read. An input the server cannot read ends it at
// once with status 0, as the end of the input does; otherwise it serves as
// always, a reply to a closed output dropped.
TEST(Protocol, StandardDescriptorsAsAHostHandsThemDown) {
  struct Case {
    const char* name;
    HostState streams;
    bool reads;    // the requests sent are served
    bool answers;  // and their replies come back
  };
  const Case cases[] = {
      {"input closed", HostState::kInputClosed, false, false},
      {"input the write end of the output pipe", HostState::kInputIsOutput, false, false},
      {"input a file open for writing only", HostState::kInputWriteOnly, false, false},
      {"output closed", HostState::kOutputClosed, true, false},
      {"error output closed", HostState::kErrorOutputClosed, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Session s(std::nullopt, {}, c.streams);
    s.server().send(R"({"id":1,"method":"ping"})");
    s.server().send(R"({"id":2,"method":"tools/call","params":{"name":"create_project","arguments":{"name":"A"}}})");
    if (c.answers) {
      EXPECT_EQ(s.server().read_line().value_or(""), R"({"id":1,"jsonrpc":"2.0","result":{}})");
      EXPECT_NE(s.server().read_line().value_or("").find("Created project"), std::string::npos);
    }
    EXPECT_EQ(s.server().wait(std::chrono::seconds(1)), 0) << "still running a second after its input closed";
    EXPECT_EQ(fs::exists(s.library() / "A" / "project.json"), c.reads);
  }
}

// A host may hand the server non-blocking streams: a reply of several
// megabytes that the host reads slowly still arrives whole, and so does the
// one after it.
TEST(Protocol, LongRepliesArriveWholeOnNonBlockingStreams) {
  Session s(std::nullopt, {}, HostState::kNonBlockingStreams);
  const std::string body(4 << 20, 'b');
  s.make_project("Big", to_compact(json::object{{"nodes", json::array{json::object{{"id", "n1"}, {"body", body}}}}}));
  s.server().write(to_compact(json::object{
                       {"id", 1},
                       {"method", "tools/call"},
                       {"params", json::object{{"name", "read_project"}, {"arguments", {{"project", "Big"}}}}}}) +
                   "\n" + R"({"id":2,"method":"ping"})" + "\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the host is busy: the output fills
  const std::optional<std::string> line = s.server().read_line();
  ASSERT_TRUE(line);
  const json::value reply = parse(*line);
  EXPECT_NE(std::string_view(reply.at("result").at("content").at(0).at("text").as_string()).find(body),
            std::string_view::npos);
  EXPECT_EQ(s.server().read_line(), R"({"id":2,"jsonrpc":"2.0","result":{}})");
}

TEST(Protocol, ToolsListIsTheCatalogue) {
  Session s;
  json::value r = s.request("tools/list", json::object{{"cursor", "x"}});
  const json::array& tools = r.as_object().at("result").as_object().at("tools").as_array();
  ASSERT_EQ(tools.size(), 49u);
  EXPECT_EQ(tools.front().as_object().at("name"), "list_projects");
  EXPECT_EQ(tools.back().as_object().at("name"), "undo_last");
}

}  // namespace
}  // namespace vemba_test

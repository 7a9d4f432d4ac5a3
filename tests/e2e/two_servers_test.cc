// Two assistant hosts with a server each on one library: every change kept,
// no file ever seen half-written, no folder handed out twice.

#include "support/session.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <set>
#include <thread>

namespace vemba_test {
namespace {

using vemba_core::project_io::parse_json;
using vemba_core::project_io::to_compact;

constexpr int kCallsEach = 40;

std::string call_line(int id, std::string_view tool, const json::object& arguments) {
  return to_compact(json::object{{"jsonrpc", "2.0"},
                                 {"id", id},
                                 {"method", "tools/call"},
                                 {"params", json::object{{"name", tool}, {"arguments", arguments}}}});
}

// Sends every line at once, so the two servers' calls interleave, then reads
// one reply text per line.
class Burst {
 public:
  Burst(ServerProcess& server, std::string_view tool, const json::object& arguments, int calls = kCallsEach)
      : server_(server), calls_(calls) {
    std::string lines;
    for (int i = 1; i <= calls_; ++i) lines += call_line(i, tool, arguments) + "\n";
    server_.write(lines);
  }
  std::vector<std::string> replies() {
    std::vector<std::string> texts;
    for (int i = 0; i < calls_; ++i) {
      auto line = server_.read_line();
      if (!line) break;
      const json::value reply = parse(*line);
      const json::value& content = reply.at("result").at("content");
      texts.emplace_back(content.at(0).at("text").as_string());
    }
    return texts;
  }

 private:
  ServerProcess& server_;
  int calls_;
};

// Reads a file over and over until stopped; counts the reads that gave
// nothing once the file was there, and those that did not parse.
class TornReader {
 public:
  explicit TornReader(fs::path file)
      : thread_([this, file = std::move(file)] {
          bool seen = false;
          while (!stop_) {
            const std::string bytes = slurp(file);
            seen = seen || !bytes.empty();
            if (bytes.empty()) {
              if (seen) ++empty_;
              continue;
            }
            ++reads_;
            if (!parse_json(bytes)) ++torn_;
          }
        }) {}
  ~TornReader() { finish(); }
  void finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  int torn() const { return torn_; }
  int empty() const { return empty_; }
  int reads() const { return reads_; }

 private:
  std::atomic<bool> stop_ = false;
  std::atomic<int> torn_ = 0, empty_ = 0, reads_ = 0;
  std::thread thread_;
};

TEST(TwoServers, EditsOfOneProjectAreAllKept) {
  Session s;
  s.make_project("Film", R"({"name": "Film", "nodes": []})");
  auto second = s.another_server();
  TornReader reader(s.library() / "Film" / "project.json");
  Burst a(s.server(), "add_vemba", {{"project", "Film"}, {"title", "from a"}});
  Burst b(*second, "add_vemba", {{"project", "Film"}, {"title", "from b"}});
  std::vector<std::string> replies = a.replies();
  for (std::string& text : b.replies()) replies.push_back(std::move(text));
  reader.finish();

  ASSERT_EQ(replies.size(), 2u * kCallsEach);
  std::set<std::string> announced;
  for (const std::string& text : replies) {
    ASSERT_TRUE(text.starts_with("Done. Added vemba n")) << text;
    announced.insert(text);
  }
  EXPECT_EQ(announced.size(), replies.size()) << "two cards were given one id";
  const json::value state = s.state("Film");
  const json::array& nodes = state.at("nodes").as_array();
  ASSERT_EQ(nodes.size(), replies.size());
  std::set<std::string> ids;
  for (const json::value& node : nodes) ids.emplace(node.at("id").as_string());
  EXPECT_EQ(ids.size(), nodes.size());
  EXPECT_EQ(reader.torn(), 0) << "of " << reader.reads() << " reads";
  EXPECT_EQ(reader.empty(), 0);
}

TEST(TwoServers, CreatingOneNameGivesEachItsOwnFolder) {
  Session s;
  auto second = s.another_server();
  Burst a(s.server(), "create_project", {{"name", "Race"}});
  Burst b(*second, "create_project", {{"name", "Race"}});
  std::vector<std::string> replies = a.replies();
  for (std::string& text : b.replies()) replies.push_back(std::move(text));

  ASSERT_EQ(replies.size(), 2u * kCallsEach);
  std::set<std::string> folders;
  for (const std::string& text : replies) {
    ASSERT_TRUE(text.starts_with("Created project \"Race")) << text;
    folders.insert(text.substr(0, text.find("\". Use")));
  }
  EXPECT_EQ(folders.size(), replies.size());
  EXPECT_EQ(list_names(s.library()).size(), replies.size());
}

// Whether servers can be started each in a PID namespace of its own (as
// root), where every one of them is process 1.
bool pid_namespaces() { return std::system("unshare --pid --fork --kill-child true >/dev/null 2>&1") == 0; }

// Four servers, each process 1 of its own PID namespace where the system
// allows it, as containers run them, edit their own projects in one library:
// the signal file they all replace is never seen cut or empty.
TEST(FourServers, TheSignalFileIsNeverSeenTorn) {
  constexpr int kServers = 4;
  constexpr int kCalls = 200;
  Session s;
  std::vector<std::string> env{"HOME=" + s.home().string(), "PATH=/usr/bin:/bin"};
  if (const char* asan = std::getenv("ASAN_OPTIONS")) env.push_back(std::string("ASAN_OPTIONS=") + asan);
  const bool namespaced = pid_namespaces();
  std::vector<std::unique_ptr<ServerProcess>> servers;
  for (int i = 0; i < kServers; ++i) {
    s.make_project(fmt::format("P{}", i), R"({"name": "P", "nodes": []})");
    std::vector<std::string> args{VEMBA_CONNECTOR_BIN, "--library", s.library().string()};
    if (namespaced) {
      args.insert(args.begin(), {"--pid", "--fork", "--kill-child"});
      servers.push_back(std::make_unique<ServerProcess>("/usr/bin/unshare", args, env));
    } else {
      servers.push_back(std::make_unique<ServerProcess>(args[0], std::vector(args.begin() + 1, args.end()), env));
    }
  }
  TornReader reader(s.library() / ".vemba-sync.json");
  std::vector<Burst> bursts;
  for (int i = 0; i < kServers; ++i)
    bursts.emplace_back(*servers[static_cast<std::size_t>(i)], "add_vemba",
                        json::object{{"project", fmt::format("P{}", i)}, {"title", "x"}}, kCalls);
  for (Burst& burst : bursts) {
    const std::vector<std::string> replies = burst.replies();
    ASSERT_EQ(replies.size(), static_cast<std::size_t>(kCalls));
    for (const std::string& text : replies) ASSERT_TRUE(text.starts_with("Done. Added vemba")) << text;
  }
  reader.finish();
  EXPECT_GT(reader.reads(), 0);
  EXPECT_EQ(reader.torn(), 0) << "of " << reader.reads() << " reads" << (namespaced ? " (PID namespaces)" : "");
  EXPECT_EQ(reader.empty(), 0);
  // No temporary is left behind.
  std::vector<std::string> expected;
  for (int i = 0; i < kServers; ++i) expected.push_back(fmt::format("P{}", i));
  expected.insert(expected.begin(), ".vemba-sync.json");
  EXPECT_EQ(list_names(s.library()), expected);
}

}  // namespace
}  // namespace vemba_test

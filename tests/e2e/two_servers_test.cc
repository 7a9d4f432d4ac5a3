// Two assistant hosts with a server each on one library: every change kept,
// no file ever seen half-written, no folder handed out twice.

#include "support/session.h"

#include <gtest/gtest.h>

#include <atomic>
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
  Burst(ServerProcess& server, std::string_view tool, const json::object& arguments) : server_(server) {
    std::string lines;
    for (int i = 1; i <= kCallsEach; ++i) lines += call_line(i, tool, arguments) + "\n";
    server_.write(lines);
  }
  std::vector<std::string> replies() {
    std::vector<std::string> texts;
    for (int i = 0; i < kCallsEach; ++i) {
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
};

// Reads project.json over and over until stopped; counts the reads that did
// not parse.
class TornReader {
 public:
  explicit TornReader(fs::path file)
      : thread_([this, file = std::move(file)] {
          while (!stop_) {
            const std::string bytes = slurp(file);
            if (!bytes.empty()) ++reads_;
            if (!bytes.empty() && !parse_json(bytes)) ++torn_;
          }
        }) {}
  ~TornReader() { finish(); }
  void finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  int torn() const { return torn_; }
  int reads() const { return reads_; }

 private:
  std::atomic<bool> stop_ = false;
  std::atomic<int> torn_ = 0, reads_ = 0;
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

}  // namespace
}  // namespace vemba_test

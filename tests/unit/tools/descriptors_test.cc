// No descriptor outlives its call: every tool, on a good project and on every
// way a project can fail to load or to be written, leaves the server with the
// descriptors it had before.

#include "support/failing_disk.h"
#include "support/temp_dir.h"
#include "vemba_connector/tools/tools.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace vemba_connector {
namespace {

using vemba_core::project_io::lock_deadline;
using vemba_core::project_io::LockDeadline;
using vemba_test::TempDir;
using vemba_test::write_file;

int open_descriptors() {
  int open = 0;
  for (int fd = 0; fd < 1024; ++fd) open += ::fcntl(fd, F_GETFD) != -1 || errno != EBADF;
  return open;
}

// Another process holding the folders' locks until destroyed.
class HeldByOther {
 public:
  explicit HeldByOther(const std::vector<std::filesystem::path>& folders) {
    int ready[2];
    if (::pipe(ready) != 0 || ::pipe(release_) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      for (const auto& folder : folders) ::flock(::open(folder.c_str(), O_RDONLY | O_DIRECTORY), LOCK_EX);
      (void)!::write(ready[1], "x", 1);
      char c;
      (void)!::read(release_[0], &c, 1);
      ::_exit(0);
    }
    char c;
    EXPECT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
  }
  ~HeldByOther() {
    (void)!::write(release_[1], "x", 1);
    ::waitpid(pid_, nullptr, 0);
    ::close(release_[0]);
    ::close(release_[1]);
  }

 private:
  int release_[2] = {-1, -1};
  pid_t pid_ = -1;
};

// One call of every catalogued tool on `project`, with arguments that take
// each as far as it goes on a board holding card n1; `before` runs before
// each call.
void call_every_tool(
    const std::vector<std::string>& args, const std::string& project, LockDeadline deadline,
    const std::function<void()>& before = [] {}) {
  const json::value arguments = json::object{
      {"project", project},
      {"nodeId", "n1"},
      {"vembaId", "n1"},
      {"ids", json::array{"n1"}},
      {"x", 5},
      {"y", 5},
      {"patch", json::object{{"title", "T"}}},
      {"query", "a"},
      {"docId", "d1"},
      {"ref", "pic.png"},
      {"filename", "pic.png"},
      {"bytesBase64", "AAAA"},
      {"format", "markdown"},
      {"snapshot", "snap-1.json"},
      {"name", "New"},
      {"ops", json::array{json::object{{"tool", "move_node"}, {"arguments", json::object{{"nodeId", "n1"}}}}}},
  };
  for (const json::value& tool : tool_list()) {
    before();
    const json::value params = json::object{{"name", tool.at("name")}, {"arguments", arguments}};
    (void)handle_call(params, args, deadline);
    after_reply();
  }
}

TEST(Descriptors, NoneOutlivesItsCall) {
  TempDir lib;
  const auto project = [&](const char* name, std::string_view state) {
    write_file(lib / name / ".vemba", "1\n");
    write_file(lib / name / "project.json", state);
  };
  // Put back before each call, so that every edit finds its card.
  const auto good = [&] {
    project("Good",
            R"({"nodes": [{"id": "n1", "type": "vemba", "title": "a", "x": 0, "y": 0,
                "documents": [{"id": "d1", "src": "notes.md"}]}]})");
  };
  good();
  write_file(lib / "Good" / "assets" / "notes.md", "some notes");
  project("Unparseable", "{\"nodes\": [");
  project("NotUtf8", "{\"name\": \"\xff\"}");
  project("NotAnObject", "[1]");
  project("Busy", "{}");
  const std::vector<std::string> args{"vemba_connector", "--library", lib.path().string()};
  call_every_tool(args, "Good", lock_deadline(), good);  // what is opened once per process is open now

  const int before = open_descriptors();
  for (const char* name : {"Good", "Unparseable", "NotUtf8", "NotAnObject", "Missing"}) {
    SCOPED_TRACE(name);
    call_every_tool(args, name, lock_deadline(), good);
    EXPECT_EQ(open_descriptors(), before);
  }
  {
    SCOPED_TRACE("busy");
    HeldByOther other({lib / "Busy", lib.path()});
    const int with_holder = open_descriptors();
    // Its wait is long over: each write tries the lock once.
    call_every_tool(args, "Busy", std::chrono::steady_clock::now() - std::chrono::hours(1));
    EXPECT_EQ(open_descriptors(), with_holder);
  }
  {
    SCOPED_TRACE("full disk");
    vemba_test::FailingDisk disk;
    // The project's files only: a failing signal would cost every call its
    // pauses between attempts too.
    disk.fail(vemba_test::DiskCall::kWrite, ENOSPC, (lib / "Good").string() + "/");
    call_every_tool(args, "Good", lock_deadline(), good);
    EXPECT_EQ(open_descriptors(), before);
  }
}

}  // namespace
}  // namespace vemba_connector

// A host may start the server with SIGALRM blocked and SIGCHLD ignored, and a
// helper may hang: the document reads still get their text, and a hanging
// helper costs a call one bounded wait and leaves nothing running.

#include "e2e/document_fixtures.h"
#include "e2e/project_fixture.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>

namespace vemba_test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::string_view kState = R"({"name": "Film", "documents": [{"id": "pdf", "src": "scene.pdf"}]})";

// Each run appends a line to `started`: the hanging mdls its PID, which then
// becomes sleep's.
constexpr std::string_view kHangingMdls = R"sh(#!/bin/sh
echo $$ >>"$(dirname "$0")/started"
exec sleep 1000
)sh";
constexpr std::string_view kLoggingMdimport = R"sh(#!/bin/sh
echo mdimport >>"$(dirname "$0")/started"
)sh";

// Made before the session, whose PATH names it ahead of the build's stand-ins.
struct FirstOnPath {
  TempDir tools_;
};

class OddHost : protected FirstOnPath, public FilmProject {
 protected:
  OddHost()
      : FilmProject(kState, {"PATH=" + tools_.path().string() + ":" + VEMBA_TOOLS_DIR + ":/usr/bin:/bin"},
                    HostState::kAlarmBlockedChildIgnored) {}
  ToolReply read_pdf(std::chrono::milliseconds timeout = Session::kReplyWait) {
    return s_.call("read_document", json::object{{"project", "Film"}, {"docId", "pdf"}}, timeout);
  }
};

TEST_F(OddHost, PdfTextComesThroughTheHelpers) {
  if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) GTEST_SKIP() << "pdftotext is not installed";
  asset("scene.pdf", tiny_pdf("Scene one"));
  ToolReply reply = read_pdf();
  EXPECT_FALSE(reply.is_error());
  EXPECT_EQ(reply.text(), "Scene one");
}

TEST_F(OddHost, HangingHelperEndsTheCallAtItsDeadline) {
  write_script(tools_ / "mdls", kHangingMdls);
  write_script(tools_ / "mdimport", kLoggingMdimport);
  asset("scene.pdf", "%PDF-1.4");
  const Clock::time_point start = Clock::now();
  ToolReply reply = read_pdf(40s);
  const Clock::duration took = Clock::now() - start;
  EXPECT_TRUE(reply.is_error());
  EXPECT_EQ(reply.text(), could_not("pdf"));
  EXPECT_GT(took, 19s);
  EXPECT_LT(took, 27s);
  // The server reads on at once.
  EXPECT_EQ(s_.request("ping", json::object(), 2, 2s).at("id"), 2);
  // Only the first helper ran, and it is gone, reaped too.
  const std::string started = slurp(tools_ / "started");
  ASSERT_EQ(std::count(started.begin(), started.end(), '\n'), 1) << started;
  const pid_t pid = std::atoi(started.c_str());
  ASSERT_GT(pid, 0);
  const int signalled = ::kill(pid, 0);
  const int error = errno;
  EXPECT_EQ(signalled, -1);
  EXPECT_EQ(error, ESRCH);
}

}  // namespace
}  // namespace vemba_test

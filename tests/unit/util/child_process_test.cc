#include "util/child_process.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace vemba_util {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

Clock::time_point in(Clock::duration d) { return Clock::now() + d; }

TEST(RunChild, CapturesOutputAndStatus) {
  ChildRun run = run_child({"sh", "-c", "printf 'out'; printf 'err' >&2"}, ChildOutput::kCapture, in(10s));
  EXPECT_TRUE(run.exited_zero);
  EXPECT_EQ(run.out, "out");
  EXPECT_FALSE(run_child({"sh", "-c", "exit 3"}, ChildOutput::kCapture, in(10s)).exited_zero);
  EXPECT_FALSE(run_child({"no-such-program-here"}, ChildOutput::kCapture, in(10s)).exited_zero);
}

TEST(RunChild, StandardInputIsTheNullDevice) {
  ChildRun run = run_child({"sh", "-c", "wc -c"}, ChildOutput::kCapture, in(10s));
  EXPECT_TRUE(run.exited_zero);
  EXPECT_EQ(run.out, "0\n");
}

TEST(RunChild, AChattyStandardErrorCannotStallIt) {
  ChildRun run = run_child({"sh", "-c", "head -c 3000000 /dev/zero >&2; printf done"}, ChildOutput::kCapture, in(10s));
  EXPECT_TRUE(run.exited_zero);
  EXPECT_EQ(run.out, "done");
}

TEST(RunChild, OverstayingChildrenAreKilled) {
  for (ChildOutput output : {ChildOutput::kCapture, ChildOutput::kDiscard}) {
    const auto start = Clock::now();
    // The shell's own child holds the pipes too; the whole group goes.
    ChildRun run = run_child({"sh", "-c", "sleep 20; echo late"}, output, in(300ms));
    EXPECT_TRUE(run.timed_out);
    EXPECT_FALSE(run.exited_zero);
    EXPECT_EQ(run.out, "");
    EXPECT_LT(Clock::now() - start, 5s);
  }
}

// Runs that share a deadline: once one overstayed it, the next is not started.
TEST(RunChild, NothingStartsPastTheDeadline) {
  vemba_test::TempDir dir;
  const fs::path marker = dir / "started";
  const std::vector<std::string> touch{"sh", "-c", "echo >\"$0\"", marker.string()};
  const Clock::time_point deadline = in(300ms);
  EXPECT_TRUE(run_child({"sleep", "20"}, ChildOutput::kDiscard, deadline).timed_out);
  for (ChildOutput output : {ChildOutput::kCapture, ChildOutput::kDiscard}) {
    ChildRun run = run_child(touch, output, deadline);
    EXPECT_TRUE(run.timed_out);
    EXPECT_FALSE(run.exited_zero);
  }
  EXPECT_FALSE(fs::exists(marker));
  // The same command within its time does start.
  EXPECT_TRUE(run_child(touch, ChildOutput::kDiscard, in(10s)).exited_zero);
  EXPECT_TRUE(fs::exists(marker));
}

}  // namespace
}  // namespace vemba_util

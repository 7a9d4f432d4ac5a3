#include "util/util.h"

#include <gtest/gtest.h>

namespace vemba_util {
namespace {

using namespace std::chrono_literals;

TEST(RunChild, CapturesOutputAndStatus) {
  ChildRun run = run_child({"sh", "-c", "printf 'out'; printf 'err' >&2"}, ChildOutput::kCapture, 10s);
  EXPECT_TRUE(run.exited_zero);
  EXPECT_EQ(run.out, "out");
  EXPECT_FALSE(run_child({"sh", "-c", "exit 3"}, ChildOutput::kCapture, 10s).exited_zero);
  EXPECT_FALSE(run_child({"no-such-program-here"}, ChildOutput::kCapture, 10s).exited_zero);
}

TEST(RunChild, StandardInputIsTheNullDevice) {
  ChildRun run = run_child({"sh", "-c", "wc -c"}, ChildOutput::kCapture, 10s);
  EXPECT_TRUE(run.exited_zero);
  EXPECT_EQ(run.out, "0\n");
}

TEST(RunChild, AChattyStandardErrorCannotStallIt) {
  ChildRun run = run_child({"sh", "-c", "head -c 3000000 /dev/zero >&2; printf done"}, ChildOutput::kCapture, 10s);
  EXPECT_TRUE(run.exited_zero);
  EXPECT_EQ(run.out, "done");
}

TEST(RunChild, OverstayingChildrenAreKilled) {
  for (ChildOutput output : {ChildOutput::kCapture, ChildOutput::kDiscard}) {
    const auto start = std::chrono::steady_clock::now();
    // The shell's own child holds the pipes too; the whole group goes.
    ChildRun run = run_child({"sh", "-c", "sleep 20; echo late"}, output, 300ms);
    EXPECT_TRUE(run.timed_out);
    EXPECT_FALSE(run.exited_zero);
    EXPECT_EQ(run.out, "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  }
}

}  // namespace
}  // namespace vemba_util

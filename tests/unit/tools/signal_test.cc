#include "vemba_connector/tools/signal.h"

#include "support/failing_disk.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vemba_connector {
namespace {

using vemba_test::DiskCall;
using vemba_test::FailingDisk;
using vemba_test::slurp;
using vemba_test::TempDir;

// The app reads an "open" record again at its next launch, so a power cut
// must not undo it: its folder is synced. The passing "writing" and "done"
// records leave the folder to the system.
TEST(Signal, OnlyTheOpenRecordIsSyncedInItsFolder) {
  struct Case {
    const char* status;
    long syncs;
  };
  for (const Case& c : {Case{"writing", 0}, Case{"done", 0}, Case{"open", 1}}) {
    SCOPED_TRACE(c.status);
    TempDir dir;
    FailingDisk disk;
    write_signal(dir.path().string(), "P", c.status, "");
    const auto folder_syncs = std::ranges::count_if(disk.calls(), [&](const auto& call) {
      return call.first == DiskCall::kFsync && call.second == dir.path().string();
    });
    EXPECT_EQ(folder_syncs, c.syncs);
    EXPECT_TRUE(slurp(dir / ".vemba-sync.json").ends_with(std::string(R"("status":")") + c.status + "\"}"));
  }
}

}  // namespace
}  // namespace vemba_connector

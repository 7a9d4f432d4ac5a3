#include "support/session.h"

#include <gtest/gtest.h>

namespace vemba_test {
namespace {

TEST(Protocol, Ping) {
  Session s;
  EXPECT_EQ(vemba_core::project_io::to_compact(s.request("ping", json::object())), R"({"id":1,"jsonrpc":"2.0","result":{}})");
}

}  // namespace
}  // namespace vemba_test

#include "project_io/json.h"

#include <gtest/gtest.h>

namespace vemba_core::project_io {
namespace {

TEST(Json, Placeholder) { EXPECT_EQ(to_compact(*parse_json("[1]")), "[1]"); }

}  // namespace
}  // namespace vemba_core::project_io

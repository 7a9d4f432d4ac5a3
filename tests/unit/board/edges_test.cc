#include "project_io/board/board.h"

#include "support/fixture.h"

#include <gtest/gtest.h>

namespace vemba_core::project_io {
namespace {

json::value board() {
  return vemba_test::doc(R"({"nodes":[{"id":"a"},{"id":"b","type":"note"}],"groups":[{"id":"g1"}],"edges":[]})");
}

TEST(ConnectVembas, StoresTheEdgeAsGiven) {
  json::value d = board();
  ASSERT_TRUE(connect_vembas(d, "a", "b", "continues", "", std::nullopt));
  ASSERT_TRUE(connect_vembas(d, "a", "b", "continues", "", std::nullopt));
  ASSERT_TRUE(connect_vembas(d, "b", "b", "", "loop", std::string_view("")));
  ASSERT_TRUE(connect_vembas(d, "b", "a", "next", "if", std::string_view("rain")));
  EXPECT_EQ(to_compact(*member(d, "edges")), R"([{"from":"a","label":"","to":"b","type":"continues"},)"
                                             R"({"from":"a","label":"","to":"b","type":"continues"},)"
                                             R"({"condition":"","from":"b","label":"loop","to":"b","type":""},)"
                                             R"({"condition":"rain","from":"b","label":"if","to":"a","type":"next"}])");
}

TEST(ConnectVembas, EndsMustBeCards) {
  struct Case {
    const char* from;
    const char* to;
    const char* error;
  };
  const Case cases[] = {{"x", "y", "from vemba not found: x"},
                        {"a", "g1", "to vemba not found: g1"},
                        {"g1", "a", "from vemba not found: g1"},
                        {"", "a", "from vemba not found: "}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    json::value d = board();
    EXPECT_EQ(connect_vembas(d, c.from, c.to, "reference", "", std::nullopt).error(), c.error);
    EXPECT_TRUE(array_of(d, "edges")->empty());
  }
  json::value d = *parse_json(R"({"nodes":[{"id":"a"}],"edges":null})");
  EXPECT_EQ(connect_vembas(d, "a", "a", "", "", std::nullopt).error(), "edges not array");
}

}  // namespace
}  // namespace vemba_core::project_io

#include "project_io/geometry/geometry.h"

#include "project_io/board/board.h"
#include "support/shortcuts.h"

#include <gtest/gtest.h>
#include <string>

namespace vemba_core::project_io {
namespace {

using vemba_test::add_node;
using vemba_test::add_vemba;
using vemba_test::float_text;

std::string repeat(std::string_view s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(NodeSize, Table) {
  const std::string b39 = repeat("a", 39);
  const std::string e39 = repeat("\xC3\xA9", 39);  // é: two bytes, one character
  struct Case {
    std::string card;
    const char* w;  // as the writer puts them, so last-bit differences show
    const char* h;
    bool measured;
  };
  const Case cases[] = {
      {R"({"renderedW":310,"renderedH":222,"h":999,"w":5})", "310.0", "222.0", true},
      {R"({"renderedW":310,"renderedH":0})", "300.0", "376.0", false},
      {R"({"renderedW":310,"renderedH":"222"})", "300.0", "376.0", false},
      {R"({"renderedW":310})", "300.0", "376.0", false},
      // Fresh cards of each kind.
      {R"({"type":"vemba","body":""})", "300.0", "376.0", false},
      {"{}", "300.0", "376.0", false},
      {R"({"type":7})", "300.0", "376.0", false},
      {R"({"type":"note"})", "220.0", "184.0", false},
      {R"({"type":"title"})", "380.0", "162.0", false},
      {R"({"type":"thought"})", "240.0", "264.0", false},
      {R"({"type":"gallery"})", "420.0", "180.0", false},
      {R"({"type":"palette","colors":[]})", "340.0", "191.0", false},
      {R"({"type":"palette"})", "340.0", "191.0", false},
      {R"({"type":"setplan"})", "320.0", "441.66666666666663", false},
      {R"({"type":"prop"})", "260.0", "213.0", false},
      {R"({"type":"location"})", "260.0", "213.0", false},
      {R"({"type":"character"})", "260.0", "213.0", false},
      {R"({"type":"shotlist"})", "300.0", "376.0", false},
      {R"({"type":"checklist"})", "300.0", "376.0", false},
      {R"({"type":"Note"})", "300.0", "376.0", false},
      // Body lines: 39 characters per line on a 300-wide card.
      {R"({"body":")" + b39 + R"("})", "300.0", "376.0", false},
      {R"({"body":")" + b39 + R"(a"})", "300.0", "392.0", false},
      {R"({"body":")" + e39 + R"("})", "300.0", "376.0", false},
      {R"({"body":"a\nb\n"})", "300.0", "412.0", false},
      {R"({"body":"a\r"})", "300.0", "376.0", false},
      {R"({"body":5})", "300.0", "376.0", false},
      // Allowances.
      {R"({"collapsed":true,"color":"#f00"})", "300.0", "102.0", false},
      {R"({"collapsed":true,"color":"#f00","colorMode":"full"})", "300.0", "89.0", false},
      {R"({"collapsed":1,"color":""})", "300.0", "376.0", false},
      {R"({"seqStart":true,"documents":[1,2,3]})", "300.0", "474.0", false},
      {R"({"images":["a.png"]})", "300.0", "555.12", false},
      {R"({"type":"title","color":"#f00","colorMode":"tint"})", "380.0", "175.0", false},
      {R"({"type":"palette","colors":[1,2,3,4,5,6,7]})", "386.0", "191.0", false},
      {R"({"type":"palette","colors":[1,2,3,4,5,6,7,8,9,10,11,12]})", "600.0", "191.0", false},
      {R"({"type":"palette","colors":[],"color":"#f00"})", "340.0", "191.0", false},
      {R"({"type":"gallery","images":["a"]})", "420.0", "531.0", false},
      {R"({"type":"gallery","images":["a"],"bodyH":100})", "420.0", "334.0", false},
      {R"({"type":"note","bodyH":50})", "220.0", "184.0", false},
      {R"({"type":"note","bodyH":120,"color":"#f00"})", "220.0", "224.0", false},
      {R"({"type":"note","h":500})", "220.0", "500.0", false},
      {R"({"type":"note","h":100})", "220.0", "184.0", false},
      {R"({"type":"thought","bodyH":100})", "240.0", "268.0", false},
      {R"({"type":"character","role":" Lead ","images":["a","b"]})", "260.0", "453.32", false},
      {R"({"type":"character","role":"   ","images":["a","b"]})", "260.0", "423.32", false},
      {R"({"type":"location","mapThumb":"m.png"})", "260.0", "363.0", false},
      {R"({"type":"prop","bodyH":90,"color":"#f00"})", "260.0", "246.0", false},
      // Stored widths.
      {R"({"type":"title","w":100})", "100.0", "162.0", false},
      {R"({"type":"title","w":0})", "380.0", "162.0", false},
      {R"({"type":"title","w":-5})", "380.0", "162.0", false},
      {R"({"type":"title","w":"100"})", "380.0", "162.0", false},
      {R"({"type":"setplan","w":470})", "470.0", "541.6666666666667", false},
      // Narrow cards keep at least 8 characters per line.
      {R"({"w":10,"body":"abcdefgh"})", "10.0", "376.0", false},
      {R"({"w":10,"body":"abcdefghi"})", "10.0", "392.0", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.card);
    const NodeSize s = node_size(*parse_json(c.card));
    EXPECT_EQ(float_text(s.w), c.w);
    EXPECT_EQ(float_text(s.h), c.h);
    EXPECT_EQ(s.measured, c.measured);
  }
}

TEST(NodeSize, AnyValueIsACard) {
  for (const json::value& v : {json::value(), json::value(3), json::value(json::array{1})}) {
    const NodeSize s = node_size(v);
    EXPECT_EQ(s.w, 300);
    EXPECT_EQ(s.h, 376);
  }
}

TEST(NodeSize, FreshCardsMatchTheirKinds) {
  json::value d = *parse_json(R"({"nodes":[]})");
  ASSERT_TRUE(add_vemba(d, "", "", std::nullopt));
  ASSERT_TRUE(add_node(d, "setplan", "", ""));
  EXPECT_EQ(node_size(array_of(d, "nodes")->at(0)).h, 376);
  EXPECT_EQ(float_text(node_size(array_of(d, "nodes")->at(1)).h), "441.66666666666663");
}

}  // namespace
}  // namespace vemba_core::project_io

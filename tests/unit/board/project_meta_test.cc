#include "project_io/board/board.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

namespace vemba_core::project_io {
namespace {

std::string joined(const std::vector<std::string>& list) { return fmt::format("{}", fmt::join(list, "|")); }

TEST(SetProjectMeta, Cases) {
  constexpr const char* kDoc =
      R"({"name":"Old","context":"c","numberingMode":"auto","theme":{"color":"#CC8E78","mode":"light","x":1},"nodes":[]})";
  struct Case {
    const char* name;
    const char* doc;  // null: kDoc
    const char* patch;
    const char* applied;
    const char* ignored;
    const char* after;  // the settings afterwards: name, context, numberingMode, theme
  };
  const Case cases[] = {
      {"untrimmed name", nullptr, R"({"name":"  New  "})", "name", "",
       R"(["  New  ","c","auto",{"color":"#CC8E78","mode":"light","x":1}])"},
      {"blank or non-text name", nullptr, R"({"name":" \t"})", "", "name",
       R"(["Old","c","auto",{"color":"#CC8E78","mode":"light","x":1}])"},
      {"number name", nullptr, R"({"name":5})", "", "name",
       R"(["Old","c","auto",{"color":"#CC8E78","mode":"light","x":1}])"},
      {"mode keeps old color, drops other keys", nullptr, R"({"theme":{"mode":"dark","y":2}})", "theme", "",
       R"(["Old","c","auto",{"color":"#CC8E78","mode":"dark"}])"},
      {"patch color wins", nullptr, R"({"theme":{"mode":"pastel","color":"#000"}})", "theme", "",
       R"(["Old","c","auto",{"color":"#000","mode":"pastel"}])"},
      {"non-text color keeps old", nullptr, R"({"theme":{"mode":"pastel","color":7}})", "theme", "",
       R"(["Old","c","auto",{"color":"#CC8E78","mode":"pastel"}])"},
      {"old color of any kind is copied", R"({"theme":{"color":[1],"mode":"light"}})", R"({"theme":{"mode":"dark"}})",
       "theme", "", R"([null,null,null,{"color":[1],"mode":"dark"}])"},
      {"no old color, none new", R"({"theme":"light"})", R"({"theme":{"mode":"dark","color":null}})", "theme", "",
       R"([null,null,null,{"mode":"dark"}])"},
      {"theme without mode", nullptr, R"({"theme":{"color":"#111"}})", "", "theme (mode must be light|dark|pastel)",
       R"(["Old","c","auto",{"color":"#CC8E78","mode":"light","x":1}])"},
      {"mode is case-sensitive", nullptr, R"({"theme":{"mode":"Dark"}})", "", "theme (mode must be light|dark|pastel)",
       R"(["Old","c","auto",{"color":"#CC8E78","mode":"light","x":1}])"},
      {"theme not an object", nullptr, R"({"theme":"dark"})", "", "theme (mode must be light|dark|pastel)",
       R"(["Old","c","auto",{"color":"#CC8E78","mode":"light","x":1}])"},
      {"sorted order, unknown key", nullptr, R"({"numberingMode":"manual","zoom":2,"context":""})",
       "context|numberingMode", "zoom", R"(["Old","","manual",{"color":"#CC8E78","mode":"light","x":1}])"},
      {"refused values and keys", nullptr, R"({"numberingMode":"Auto","context":null,"Name":"x"})", "",
       "Name|context|numberingMode", R"(["Old","c","auto",{"color":"#CC8E78","mode":"light","x":1}])"},
      {"inserted when missing", "{}", R"({"name":"N","context":"C","numberingMode":"none"})",
       "context|name|numberingMode", "", R"(["N","C","none",null])"},
      {"empty patch", nullptr, "{}", "", "", R"(["Old","c","auto",{"color":"#CC8E78","mode":"light","x":1}])"},
      {"patch not an object", nullptr, R"(["name"])", "", "",
       R"(["Old","c","auto",{"color":"#CC8E78","mode":"light","x":1}])"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    json::value d = *parse_json(c.doc ? c.doc : kDoc);
    const PatchResult r = set_project_meta(d, *parse_json(c.patch));
    EXPECT_EQ(joined(r.applied), c.applied);
    EXPECT_EQ(joined(r.ignored), c.ignored);
    json::array settings;
    for (std::string_view key : {"name", "context", "numberingMode", "theme"}) {
      const json::value* v = member(d, key);
      settings.push_back(v ? *v : json::value());
    }
    EXPECT_EQ(to_compact(settings), c.after);
    EXPECT_EQ(member(d, "nodes") != nullptr, c.doc == nullptr);
  }
}

TEST(SetProjectMeta, DocumentThatIsNotAnObjectIsLeftAlone) {
  json::value d = json::array{1};
  const PatchResult r = set_project_meta(d, *parse_json(R"({"name":"N","theme":{"mode":"dark"}})"));
  EXPECT_EQ(joined(r.applied), "");
  EXPECT_EQ(joined(r.ignored), "name|theme");
  EXPECT_EQ(to_compact(d), "[1]");
}

}  // namespace
}  // namespace vemba_core::project_io

#include "project_io/production/production.h"

#include "support/fixture.h"

#include <gtest/gtest.h>

#include <fmt/format.h>
#include <fmt/ranges.h>

namespace vemba_core::project_io {
namespace {

using vemba_test::doc;

/// A set plan "p" holding the given elements, a note "n" and a bare plan card "q".
json::value board(std::string_view elements = "[]") {
  return doc(fmt::format(R"({{"nodes":[{{"id":"p","type":"setplan","plan":{{"w":750,"elements":{}}}}},)"
                         R"({{"id":"n","type":"note"}},{{"id":"q","type":"setplan"}}]}})",
                         elements));
}

std::string elements(const json::value& d, std::size_t node = 0) {
  return to_compact(*member(*member(array_of(d, "nodes")->at(node), "plan"), "elements"));
}

const std::string kKinds =
    R"(["camera", "light", "subject", "prop", "modifier", "wall", "window", "door", "note", "path"])";

TEST(AddPlanElement, CopiesTheElementWithANewIdAndDefaults) {
  struct Case {
    const char* element;
    const char* stored;
  };
  const Case cases[] = {
      {R"({"kind":"camera","focal":35})", R"({"focal":35,"id":"e201","kind":"camera","rot":0.0,"x":200.0,"y":150.0})"},
      {R"({"kind":"light","x":10,"y":"top","id":"mine"})",
       R"({"id":"e201","kind":"light","rot":0.0,"x":10,"y":150.0})"},
      {R"({"kind":"wall","x":-2.5,"y":0,"rot":null,"link":{"id":"n"}})",
       R"({"id":"e201","kind":"wall","link":{"id":"n"},"rot":0.0,"x":-2.5,"y":0})"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.element);
    json::value d = board();
    EXPECT_EQ(add_plan_element(d, "p", doc(c.element)).value(), "e201");
    EXPECT_EQ(elements(d), std::string("[") + c.stored + "]");
  }
}

TEST(AddPlanElement, TakesEveryKindAndANewNumberEachTime) {
  json::value d = board(R"([{"id":"e450","kind":"note"}])");
  std::vector<std::string> ids;
  for (const char* kind : {"camera", "light", "subject", "prop", "modifier", "wall", "window", "door", "note", "path"})
    ids.push_back(add_plan_element(d, "p", json::object{{"kind", kind}}).value());
  EXPECT_EQ(fmt::format("{}", fmt::join(ids, " ")), "e451 e452 e453 e454 e455 e456 e457 e458 e459 e460");
}

TEST(AddPlanElement, TheKindIsCheckedBeforeTheCard) {
  struct Case {
    const char* element;
    const char* got;
  };
  const Case cases[] = {{R"({"kind":"lamp"})", "lamp"},
                        {R"({"kind":"Camera"})", "Camera"},
                        {R"({"kind":"camera "})", "camera "},
                        {R"({"kind":5})", ""},
                        {"{}", ""},
                        {R"("camera")", ""},
                        {"null", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.element);
    json::value d = board();
    EXPECT_EQ(add_plan_element(d, "zz", doc(c.element)).error(),
              fmt::format("element kind must be one of {} (got: {})", kKinds, c.got));
    EXPECT_EQ(to_compact(d), to_compact(board()));
  }
  json::value d = board();
  EXPECT_EQ(add_plan_element(d, "zz", doc(R"({"kind":"lamp"})")).error(),
            "element kind must be one of [\"camera\", \"light\", \"subject\", \"prop\", \"modifier\", \"wall\", "
            "\"window\", \"door\", \"note\", \"path\"] (got: lamp)");
}

TEST(AddPlanElement, ACardWithoutAPlanGetsTheDefaultPlanFirst) {
  json::value d = board();
  ASSERT_TRUE(add_plan_element(d, "q", doc(R"({"kind":"prop"})")));
  json::value expected = default_set_plan();
  array_of(expected, "elements")->push_back(doc(R"({"id":"e201","kind":"prop","rot":0.0,"x":200.0,"y":150.0})"));
  EXPECT_EQ(to_compact(*member(array_of(d, "nodes")->at(2), "plan")), to_compact(expected));
  EXPECT_EQ(add_plan_element(d, "n", doc(R"({"kind":"prop"})")).error(), "node n is not a setplan");
  EXPECT_EQ(add_plan_element(d, "", doc(R"({"kind":"prop"})")).error(), "node not found: ");
}

TEST(EditPlanElement, StoresEveryKeyButTheIdInTheFirstMatch) {
  json::value d = board(R"([{"id":"e5","kind":"camera","x":1},{"id":"e5","kind":"light"},{"id":"e6"}])");
  EXPECT_EQ(edit_plan_element(d, "p", "e5", doc(R"({"x":null,"kind":"prop","id":"e9"})")).value(),
            (std::vector<std::string>{"kind", "x"}));
  EXPECT_EQ(elements(d), R"([{"id":"e5","kind":"prop","x":null},{"id":"e5","kind":"light"},{"id":"e6"}])");
  EXPECT_EQ(edit_plan_element(d, "p", "e6", doc(R"({"Z":[1],"a":{"b":2},"kind":7})")).value(),
            (std::vector<std::string>{"Z", "a", "kind"}));
  EXPECT_EQ(to_compact(array_of(*member(array_of(d, "nodes")->at(0), "plan"), "elements")->at(2)),
            R"({"Z":[1],"a":{"b":2},"id":"e6","kind":7})");
  const std::string before = to_compact(d);
  EXPECT_TRUE(edit_plan_element(d, "p", "e6", doc(R"("kind")")).value().empty());
  EXPECT_TRUE(edit_plan_element(d, "p", "e6", doc(R"({"id":"e7"})")).value().empty());
  EXPECT_EQ(to_compact(d), before);
}

TEST(EditPlanElement, Failures) {
  json::value d = board(R"([{"id":"e5"},{"kind":"camera"},7])");
  EXPECT_EQ(edit_plan_element(d, "p", "e6", json::object()).error(), "element not found: e6");
  EXPECT_EQ(edit_plan_element(d, "p", "", json::object()).error(), "element not found: ");
  EXPECT_EQ(edit_plan_element(d, "n", "e5", json::object()).error(), "node n is not a setplan");
  EXPECT_EQ(edit_plan_element(d, "zz", "e5", json::object()).error(), "node not found: zz");
}

TEST(RemovePlanElement, RemovesEveryMatchAndKeepsTheRestInOrder) {
  json::value d = board(R"([{"id":"e5","kind":"camera"},{"id":"e1"},7,{"id":"e5"},{"id":"e2"}])");
  ASSERT_TRUE(remove_plan_element(d, "p", "e5"));
  EXPECT_EQ(elements(d), R"([{"id":"e1"},7,{"id":"e2"}])");
}

TEST(RemovePlanElement, NothingRemovedIsAnErrorThatKeepsEveryElement) {
  json::value d = board(R"([{"id":"e1"},{"id":"e2"}])");
  EXPECT_EQ(remove_plan_element(d, "p", "e3").error(), "element not found: e3");
  EXPECT_EQ(elements(d), R"([{"id":"e1"},{"id":"e2"}])");
  EXPECT_EQ(remove_plan_element(d, "n", "e1").error(), "node n is not a setplan");
  // The repair of a bare card stays in memory; the caller writes nothing.
  EXPECT_EQ(remove_plan_element(d, "q", "e1").error(), "element not found: e1");
  EXPECT_EQ(elements(d, 2), "[]");
}

}  // namespace
}  // namespace vemba_core::project_io

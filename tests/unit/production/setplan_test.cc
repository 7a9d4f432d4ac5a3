#include "project_io/production/production.h"

#include "support/fixture.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

namespace vemba_core::project_io {
namespace {

using vemba_test::doc;

/// A board whose first node is a set plan with the given node fields.
json::value plan_board(std::string_view fields) {
  return doc(
      fmt::format(R"({{"nodes":[{{"id":"p","type":"setplan"{}}},{{"id":"n","type":"note"}},{{"id":"v"}}]}})", fields));
}

std::string first_plan(const json::value& d) {
  const json::value* plan = member(array_of(d, "nodes")->at(0), "plan");
  return plan ? to_compact(*plan) : "<missing>";
}

TEST(PlanOf, RepairsThePlanInTheDocument) {
  const std::string fresh = to_compact(default_set_plan());
  struct Case {
    const char* fields;
    std::string plan;
  };
  const Case cases[] = {
      {"", fresh},
      {R"(,"plan":null)", fresh},
      {R"(,"plan":[{"kind":"camera"}])", fresh},
      {R"(,"plan":{})", R"({"elements":[]})"},
      {R"(,"plan":{"elements":{"id":"e1"},"w":1})", R"({"elements":[],"w":1})"},
      {R"(,"plan":{"elements":[5],"odd":true})", R"({"elements":[5],"odd":true})"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fields);
    json::value d = plan_board(c.fields);
    auto plan = plan_of(d, "p");
    ASSERT_TRUE(plan) << plan.error();
    EXPECT_EQ(to_compact(**plan), c.plan);
    EXPECT_EQ(first_plan(d), c.plan);
  }
}

TEST(PlanOf, OnlySetPlanCardsHavePlans) {
  json::value d = plan_board("");
  EXPECT_EQ(plan_of(d, "zz").error(), "node not found: zz");
  EXPECT_EQ(plan_of(d, "").error(), "node not found: ");
  EXPECT_EQ(plan_of(d, "n").error(), "node n is not a setplan");
  EXPECT_EQ(plan_of(d, "v").error(), "node v is not a setplan");
  json::value upper = doc(R"({"nodes":[{"id":"p","type":"SetPlan"}]})");
  EXPECT_EQ(plan_of(upper, "p").error(), "node p is not a setplan");
  EXPECT_EQ(first_plan(upper), "<missing>");
}

TEST(SummarizeSetPlan, ReadsEveryFieldLeniently) {
  struct Case {
    const char* plan;
    const char* summary;
  };
  const Case cases[] = {
      {"null", R"(Set Plan "Stage": 0.0×0.0 m room, 0 elements, rays off, light floor.)"},
      {R"([{"kind":"camera"}])", R"(Set Plan "Stage": 0.0×0.0 m room, 0 elements, rays off, light floor.)"},
      {R"({"elements":[{"kind":"camera"},{"kind":"camera"},{"kind":"light"}],"scale":{"roomW":5,"roomH":3.5}})",
       R"(Set Plan "Stage": 5.0×3.5 m room, 3 elements (2 camera, 1 light), rays off, light floor.)"},
      {R"({"elements":[{},5,{"kind":7}]})",
       R"(Set Plan "Stage": 0.0×0.0 m room, 3 elements (3 element), rays off, light floor.)"},
      {R"({"elements":[{"kind":"light"},{"kind":"camera"},{"kind":"light"}]})",
       R"(Set Plan "Stage": 0.0×0.0 m room, 3 elements (2 light, 1 camera), rays off, light floor.)"},
      {R"({"elements":[{"kind":"Camera"}],"scale":{"roomW":12,"roomH":3.46,"unit":"ft"}})",
       R"(Set Plan "Stage": 12.0×3.5 ft room, 1 elements (1 Camera), rays off, light floor.)"},
      {R"({"elements":{},"scale":{"roomW":"12","roomH":-0.26,"unit":5}})",
       R"(Set Plan "Stage": 0.0×-0.3 m room, 0 elements, rays off, light floor.)"},
      {R"({"scale":{"roomW":1e20,"roomH":18446744073709551615}})",
       R"(Set Plan "Stage": 100000000000000000000.0×18446744073709551616.0 m room, 0 elements, rays off, light floor.)"},
      {R"({"scale":"wide","showRays":true,"dark":true})",
       R"(Set Plan "Stage": 0.0×0.0 m room, 0 elements, rays on, dark floor.)"},
      {R"({"showRays":1,"dark":"true"})", R"(Set Plan "Stage": 0.0×0.0 m room, 0 elements, rays off, light floor.)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plan);
    EXPECT_EQ(summarize_set_plan("Stage", doc(c.plan)), c.summary);
  }
  EXPECT_EQ(summarize_set_plan("Stage", default_set_plan()),
            R"(Set Plan "Stage": 5.0×3.5 m room, 0 elements, rays off, light floor.)");
  EXPECT_EQ(summarize_set_plan("", doc("{}")), R"(Set Plan "": 0.0×0.0 m room, 0 elements, rays off, light floor.)");
}

TEST(ReadSetPlan, ShowsThePlanAsStoredOrTheDefaultWithoutStoringIt) {
  struct Case {
    const char* fields;
    std::string text;
  };
  const Case cases[] = {
      {R"(,"title":"Stage")", R"(Set Plan "Stage": 5.0×3.5 m room, 0 elements, rays off, light floor.)"
                              "\n\n" +
                                  to_pretty(default_set_plan())},
      {R"(,"title":"Stage","plan":null)",
       "Set Plan \"Stage\": 0.0×0.0 m room, 0 elements, rays off, light floor.\n\nnull"},
      {R"(,"title":5,"plan":{"elements":"x","dark":true})",
       "Set Plan \"\": 0.0×0.0 m room, 0 elements, rays off, dark floor.\n\n{\n  \"dark\": true,\n  \"elements\": "
       "\"x\"\n}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fields);
    const json::value d = plan_board(c.fields);
    EXPECT_EQ(read_set_plan(d, "p").value(), c.text);
    EXPECT_EQ(to_compact(d), to_compact(plan_board(c.fields)));
  }
  const json::value d = plan_board("");
  EXPECT_EQ(read_set_plan(d, "").error(), "node not found: ");
  EXPECT_EQ(read_set_plan(d, "n").error(), "node n is not a setplan");
}

TEST(EditSetPlan, ReplacesThePlanWholeAndCarriesAUsableSensorWidth) {
  struct Case {
    const char* fields;
    const char* plan;
    const char* stored;
  };
  const Case cases[] = {
      {R"(,"plan":{"sensorW":36,"w":9})", R"({"elements":[]})", R"({"elements":[],"sensorW":36})"},
      {R"(,"plan":{"sensorW":36})", R"({"sensorW":0})", R"({"sensorW":36})"},
      {R"(,"plan":{"sensorW":36})", R"({"sensorW":-1.5})", R"({"sensorW":36})"},
      {R"(,"plan":{"sensorW":36})", R"({"sensorW":"wide"})", R"({"sensorW":36})"},
      {R"(,"plan":{"sensorW":36})", R"({"sensorW":17.3})", R"({"sensorW":17.3})"},
      {R"(,"plan":{"sensorW":"odd"})", R"({})", R"({"sensorW":"odd"})"},
      {R"(,"plan":{"w":750})", R"({"x":1})", R"({"x":1})"},
      {"", R"({"elements":5})", R"({"elements":5})"},
      {R"(,"plan":[{"sensorW":36}])", R"({})", R"({})"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.fields) + " <- " + c.plan);
    json::value d = plan_board(c.fields);
    ASSERT_TRUE(edit_set_plan(d, "p", doc(c.plan)));
    EXPECT_EQ(first_plan(d), c.stored);
  }
}

TEST(EditSetPlan, ReturnsTheSummaryOfThePlanSent) {
  json::value d = plan_board(R"(,"title":"Stage")");
  EXPECT_EQ(edit_set_plan(d, "p", doc(R"({"elements":[{"kind":"light"}],"scale":{"roomW":4,"roomH":3}})")).value(),
            R"(Set Plan "Stage": 4.0×3.0 m room, 1 elements (1 light), rays off, light floor.)");
}

TEST(EditSetPlan, ThePlanMustBeAnObjectBeforeTheCardIsLookedUp) {
  for (const char* plan : {"null", "[]", R"("plan")", "5"}) {
    SCOPED_TRACE(plan);
    json::value d = plan_board("");
    EXPECT_EQ(edit_set_plan(d, "zz", doc(plan)).error(), "'plan' must be a JSON object");
    EXPECT_EQ(edit_set_plan(d, "p", doc(plan)).error(), "'plan' must be a JSON object");
  }
  json::value d = plan_board("");
  EXPECT_EQ(edit_set_plan(d, "zz", json::object()).error(), "node not found: zz");
  EXPECT_EQ(edit_set_plan(d, "n", json::object()).error(), "node n is not a setplan");
  EXPECT_EQ(to_compact(d), to_compact(plan_board("")));
}

}  // namespace
}  // namespace vemba_core::project_io

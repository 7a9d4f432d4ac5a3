#include "project_io/board/board.h"

#include "support/shortcuts.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

namespace vemba_core::project_io {
namespace {

using vemba_test::edit_vemba;

constexpr std::string_view kCard = R"({"id":"n1","type":"vemba","title":"Old","extra":{"k":1}})";

std::string joined(const std::vector<std::string>& list) { return fmt::format("{}", fmt::join(list, "|")); }

struct Edit {
  std::string applied, ignored, card;
};

Edit edit(std::string_view patch) {
  json::value d = *parse_json(fmt::format(R"({{"nodes":[{}]}})", kCard));
  const PatchResult r = edit_vemba(d, "n1", *parse_json(patch)).value();
  return {joined(r.applied), joined(r.ignored), to_compact(array_of(d, "nodes")->at(0))};
}

// The card after the edit, written as the card's keys plus `fields`.
std::string card_with(std::string_view fields) {
  json::value card = *parse_json(kCard);
  const json::value extra = *parse_json(fields);
  for (const auto& kv : extra.get_object()) card.get_object()[kv.key()] = kv.value();
  return to_compact(card);
}

TEST(EditVemba, KeyTable) {
  struct Case {
    const char* patch;
    const char* applied;
    const char* ignored;
    const char* stored;  // fields the card holds afterwards, over kCard's
  };
  const Case cases[] = {
      {R"({"title":null})", "title", "", R"({"title":null})"},
      {R"({"title":5,"body":"B","linkId":"n9"})", "body|linkId", "title", R"({"body":"B","linkId":"n9"})"},
      {R"({"focus":"f","product":"p"})", "product|product", "", R"({"product":"p"})"},
      {R"({"focus":null})", "product", "", R"({"product":null})"},
      {R"({"x":10,"y":10.5,"order":2.5})", "order|x|y", "", R"({"order":2.5,"x":10,"y":10.5})"},
      {R"({"x":"10"})", "", "x", "{}"},
      {R"({"hidden":1,"alt":false,"checked":true})", "alt|checked", "hidden", R"({"alt":false,"checked":true})"},
      {R"({"tones":[1,"a",null]})", "tones", "", R"({"tones":[1,"a",null]})"},
      {R"({"images":["a.png",2]})", "", "images", "{}"},
      {R"({"images":[],"colors":["#fff"],"exportImages":["e.png"]})", "colors|exportImages|images", "",
       R"({"colors":["#fff"],"exportImages":["e.png"],"images":[]})"},
      {R"({"items":[{"t":"Buy","done":1,"note":"x"},{"t":"Go","done":true}]})", "items", "",
       R"({"items":[{"done":false,"t":"Buy"},{"done":true,"t":"Go"}]})"},
      {R"({"items":[{"t":"ok"},{"done":true}]})", "", "items", "{}"},
      {R"({"qty":3})", "qty", "", R"({"qty":3})"},
      {R"({"qty":9223372036854775807})", "qty", "", R"({"qty":9223372036854775807})"},
      {R"({"qty":0})", "", "qty", "{}"},
      {R"({"qty":-2})", "", "qty", "{}"},
      {R"({"qty":2.0})", "", "qty", "{}"},
      {R"({"qty":9223372036854775808})", "", "qty", "{}"},
      {R"({"geo":null})", "geo", "", R"({"geo":null})"},
      {R"({"geo":{"lat":48,"lon":2,"other":1}})", "geo", "",
       R"({"geo":{"address":"","lat":48.0,"lon":2.0,"zoom":16.0}})"},
      {R"({"geo":{"lat":90,"lon":-180,"zoom":3,"address":"Pole"}})", "geo", "",
       R"({"geo":{"address":"Pole","lat":90.0,"lon":-180.0,"zoom":3.0}})"},
      {R"({"geo":{"lat":91,"lon":0}})", "", "geo (lat must be -90..90, lon -180..180)", "{}"},
      {R"({"geo":{"lat":"48","lon":2}})", "", "geo (needs numeric lat + lon)", "{}"},
      {R"({"geo":[1,2]})", "", "geo (needs numeric lat + lon)", "{}"},
      {R"({"sun":null})", "sun", "", R"({"sun":null})"},
      {R"({"sun":{"locationId":"n4","dateISO":"2024-13-45","timeMin":0,"x":1}})", "sun", "",
       R"({"sun":{"dateISO":"2024-13-45","locationId":"n4","timeMin":0}})"},
      {R"({"sun":{"locationId":"n4","dateISO":"2024-06-01","timeMin":1439.5,"showPlot":true}})", "sun", "",
       R"({"sun":{"dateISO":"2024-06-01","locationId":"n4","showPlot":true,"timeMin":1439.5}})"},
      {R"({"sun":{"locationId":"n4","dateISO":"2024-06-01","timeMin":1440}})", "",
       "sun (needs locationId, dateISO YYYY-MM-DD, timeMin 0..1440)", "{}"},
      {R"({"sun":{"locationId":"","dateISO":"2024-06-01","timeMin":5}})", "",
       "sun (needs locationId, dateISO YYYY-MM-DD, timeMin 0..1440)", "{}"},
      {R"({"sun":{"locationId":"n4","dateISO":"2024/06/01","timeMin":5}})", "",
       "sun (needs locationId, dateISO YYYY-MM-DD, timeMin 0..1440)", "{}"},
      {R"({"sun":{"locationId":"n4","dateISO":"2024-06-1","timeMin":5}})", "",
       "sun (needs locationId, dateISO YYYY-MM-DD, timeMin 0..1440)", "{}"},
      {R"({"type":"note","id":"n9","w":5,"renderedW":1,"Title":"x"})", "", "Title|id|renderedW|type|w", "{}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.patch);
    const Edit e = edit(c.patch);
    EXPECT_EQ(e.applied, c.applied);
    EXPECT_EQ(e.ignored, c.ignored);
    EXPECT_EQ(e.card, card_with(c.stored));
  }
}

TEST(EditVemba, PatchesThatAreNotObjectsApplyNothing) {
  for (std::string_view patch : {"[]", R"("title")", "{}", "null"}) {
    SCOPED_TRACE(patch);
    const Edit e = edit(patch);
    EXPECT_EQ(e.applied + e.ignored, "");
    EXPECT_EQ(e.card, card_with("{}"));
  }
}

TEST(EditVemba, UnknownCardFailsEvenWithAnEmptyPatch) {
  json::value d = *parse_json(R"({"nodes":[{"id":"n1"}]})");
  EXPECT_EQ(edit_vemba(d, "n2", json::object()).error(), "node not found: n2");
  json::value no_nodes = *parse_json("{}");
  EXPECT_EQ(edit_vemba(no_nodes, "n1", json::object()).error(), "node not found: n1");
}

// Writing `product` grows the card, which must not disturb a patch that is
// the card itself.
TEST(EditVemba, PatchTakenFromTheCardItEdits) {
  json::value d = *parse_json(R"({"nodes":[{"id":"n1","focus":"f","title":"t"}]})");
  const json::value& own = array_of(d, "nodes")->at(0);
  const PatchResult r = edit_vemba(d, "n1", own).value();
  EXPECT_EQ(joined(r.applied), "product|title");
  EXPECT_EQ(to_compact(array_of(d, "nodes")->at(0)), R"({"focus":"f","id":"n1","product":"f","title":"t"})");
}

}  // namespace
}  // namespace vemba_core::project_io

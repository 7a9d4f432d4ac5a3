#include "board_generator.h"

#include <cctype>

namespace bench {
namespace json = boost::json;
namespace {

const std::array kWords = {
    "the",   "light",   "falls",    "across", "her",     "face",    "as",       "she",    "turns",  "away",
    "from",  "window",  "and",      "rain",   "keeps",   "on",      "glass",    "slowly", "street", "below",
    "empty", "but",     "for",      "a",      "dog",     "that",    "waits",    "under",  "lamp",   "car",
    "pulls", "up",      "engine",   "still",  "running", "nobody",  "gets",     "out",    "camera", "holds",
    "wide",  "then",    "pushes",   "in",     "hands",   "folded",  "letter",   "unread", "table",  "kitchen",
    "door",  "opens",   "cold",     "air",    "smoke",   "drifts",  "through",  "hall",   "clock",  "stops",
    "quiet", "voices",  "upstairs", "laugh",  "breaks",  "silence", "café",     "naïve",  "déjà",   "vu",
    "night", "morning", "harbour",  "boats",  "ropes",   "gulls",   "fog",      "lifts",  "over",   "water",
    "music", "fades",   "cut",      "to",     "black",   "again",   "memories", "return", "sharp",  "soft"};

const std::array kFirst = {"Mara",  "Anna",    "Annabel", "Jonas", "Élodie", "Zoë",   "Øystein", "İlkay",
                           "Tomás", "Priya",   "Kenji",   "Rosa",  "Felix",  "Nadia", "Omar",    "Sigrún",
                           "Lucía", "Bastien", "Greta",   "Yusuf", "Hana",   "Olek",  "Mirela",  "Dev"};
const std::array kLast = {"Quill", "Marsh", "Okafor", "Lindqvist", "Duarte", "Brandt", "Castellanos", "Nakamura",
                          "Vogel", "Reyes", "Haddad", "Moreau",    "Kowal",  "Stein",  "Adeyemi",     "Ferrante"};
const std::array kPlaces = {"Old Town",    "Harbour Gate", "Café Noir",   "North Pier",     "Station Hall",
                            "Glass House", "Salt Market",  "Rooftop Bar", "Quarry Road",    "Lighthouse",
                            "Tram Depot",  "Orchard",      "Back Alley",  "Hotel Méridien", "Ferry Deck"};
const std::array kProps = {"Brass Key",  "Red Umbrella", "Letter",     "Pocket Watch", "Lantern", "Radio",
                           "Photograph", "Suitcase",     "Music Box",  "Compass",      "Old Map", "Revolver",
                           "Teacup",     "Film Reel",    "Silk Scarf", "Typewriter"};
const std::array kSlugs = {"INT. KITCHEN — NIGHT", "EXT. HARBOUR — DAWN", "INT. STATION HALL — DAY",
                           "EXT. ROOFTOP — DUSK", ""};

}  // namespace

std::string Generator::prose(std::size_t min_bytes, std::size_t max_bytes, bool mentions) {
  const std::size_t target = min_bytes + pick(max_bytes - min_bytes + 1);
  std::string text;
  bool sentence_start = true;
  while (text.size() < target) {
    std::string word = kWords[pick(kWords.size())];
    if (sentence_start) word[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
    if (!text.empty()) text += ' ';
    text += word;
    sentence_start = false;
    if (mentions && !element_titles_.empty() && chance(4)) {
      const std::string& name = element_titles_[pick(element_titles_.size())];
      text += chance(85) ? fmt::format(" @{}", name) : fmt::format(" @{}s", name);
    }
    if (mentions && !mention_only_.empty() && chance(1)) text += " @" + mention_only_[pick(mention_only_.size())];
    if (chance(9)) {
      text += chance(80) ? "." : (chance(50) ? "?" : " —");
      sentence_start = true;
      if (chance(8)) text += chance(70) ? "\n\n" : "\n\t\"Quoted\" line\\";
    }
  }
  if (mentions && chance(2)) text += " The harbour lantern flickers.";
  return text + ".";
}

std::string Generator::base64_noise(std::size_t bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve(bytes);
  while (out.size() < bytes) {
    std::uint64_t r = rng_();
    for (int i = 0; i < 10 && out.size() < bytes; ++i, r >>= 6) out += kAlphabet[r & 63];
  }
  return out;
}

// Decides every card's type up front, so element names exist before the story mentions them.
std::vector<std::string> Generator::plan_types() {
  std::vector<std::string> types(static_cast<std::size_t>(shape_.cards));
  for (auto& type : types) {
    const std::uint64_t r = pick(1000);
    type = r < 650   ? "vemba"
           : r < 780 ? "note"
           : r < 810 ? "thought"
           : r < 820 ? "title"
           : r < 830 ? "character"
           : r < 837 ? "location"
           : r < 844 ? "prop"
           : r < 849 ? "gallery"
           : r < 852 ? "palette"
           : r < 857 ? "checklist"
                     : "vemba";
  }
  if (shape_.cards >= 10) {
    types[3] = "shotlist";
    types[types.size() / 2] = "setplan";
    types[types.size() - 2] = "setplan";
  }
  int characters = 0, locations = 0, props = 0;
  for (const auto& type : types) {
    if (type == "character") {
      const int k = characters++;
      const std::size_t f = static_cast<std::size_t>(k) % kFirst.size(),
                        l = static_cast<std::size_t>(k) / kFirst.size();
      element_titles_.push_back(l == 0 ? std::string(kFirst[f])
                                       : fmt::format("{} {}", kFirst[f], kLast[(l - 1) % kLast.size()]));
    } else if (type == "location") {
      const int k = locations++;
      const std::size_t p = static_cast<std::size_t>(k) % kPlaces.size();
      element_titles_.push_back(k < static_cast<int>(kPlaces.size()) ? std::string(kPlaces[p])
                                                                     : fmt::format("{} {}", kPlaces[p], k));
    } else if (type == "prop") {
      const int k = props++;
      const std::size_t p = static_cast<std::size_t>(k) % kProps.size();
      element_titles_.push_back(k < static_cast<int>(kProps.size()) ? std::string(kProps[p])
                                                                    : fmt::format("{} {}", kProps[p], k));
    }
  }
  // Upper- and mixed-case spellings of a few names: a reader must fold case the same way.
  mention_only_ = {"ANNA", "ÉLODIE", "zoË", "İLKAY", "old TOWN", "CAFÉ NOIR", "ØYSTEIN"};
  return types;
}

json::object Generator::story_card(int slot, const std::string& id) {
  json::object card{{"id", id},
                    {"type", "vemba"},
                    {"title", fmt::format("{} {}", kWords[pick(kWords.size())], kWords[pick(kWords.size())])},
                    {"body", chance(3) ? std::string("  ") : prose(100, 370, true)},
                    {"product", chance(20) ? "Mara's ring" : ""},
                    {"shotType", chance(40) ? "MS" : ""},
                    {"duration", chance(60) ? fmt::format("{}:{:02}", pick(3), pick(60)) : (chance(5) ? "90" : "")},
                    {"slug", std::string(kSlugs[pick(kSlugs.size())])},
                    {"images", chance(35) ? json::array{json::value(still_name())} : json::array{}},
                    {"documents", json::array{}},
                    {"tones", chance(10) ? json::array{"warm", "low-key"} : json::array{}},
                    {"alt", false},
                    {"color", chance(20) ? json::value("#6A8CAF") : json::value(nullptr)},
                    {"collapsed", false},
                    {"hidden", chance(2)},
                    {"seqStart", false},
                    {"seqName", ""}};
  if (chance(80)) {
    card["renderedW"] = 300.0;
    card["renderedH"] = 160.0 + static_cast<double>(pick(180));
  }
  if (chance(30)) card["order"] = slot;
  if (chance(1))
    card["sun"] =
        json::object{{"dateISO", "2026-06-21"}, {"locationId", "n205"}, {"timeMin", 1140}, {"showPlot", true}};
  if (chance(5)) card["hiddenInExport"] = true;
  return card;
}

json::object Generator::plain_card(const std::string& type, const std::string& id, std::string title) {
  const bool element = type == "character" || type == "location" || type == "prop";
  json::object card{
      {"id", id},
      {"type", type},
      {"title", std::move(title)},
      {"body", type == "title" ? std::string() : prose(element ? 120 : 60, element ? 360 : 300, !element)},
      {"images", chance(20) ? json::array{json::value(still_name())} : json::array{}},
      {"color", json::value(nullptr)},
      {"hidden", false}};
  if (chance(70)) {
    card["renderedW"] = type == "title" ? 420.0 : 260.0;
    card["renderedH"] = 120.0 + static_cast<double>(pick(140));
  }
  if (type == "location" && chance(50))
    card["geo"] = json::object{
        {"address", "Quay 4"}, {"lat", 59.9 + static_cast<double>(pick(100)) / 1000.0}, {"lon", 10.7}, {"zoom", 16.0}};
  if (type == "gallery") card["images"] = json::array{json::value(still_name()), json::value(still_name())};
  if (type == "palette") card["colors"] = json::array{"#CC8E78", "#2E3A59", "#F2E8DC"};
  if (type == "checklist")
    card["items"] = json::array{json::object{{"done", true}, {"t", "Book the pier"}},
                                json::object{{"done", false}, {"t", "Rain towers"}}};
  if (type == "character") card["role"] = "lead";
  return card;
}

json::object Generator::shot_list(const std::string& id, const json::array& groups,
                                  const std::vector<std::string>& stories, const std::string& setplan) {
  json::array scenes, shots;
  std::vector<std::string> scene_ids;
  for (std::size_t g = 0; g < groups.size() && g < 400; g += 2) {
    scene_ids.push_back(next_id("sc"));
    scenes.push_back(json::object{
        {"id", scene_ids.back()}, {"heading", ""}, {"name", ""}, {"groupId", groups[g].as_object().at("id")}});
  }
  scene_ids.push_back(next_id("sc"));
  scenes.push_back(
      json::object{{"id", scene_ids.back()}, {"heading", "EXT. PIER"}, {"name", "Pickups"}, {"groupId", nullptr}});
  const std::size_t count = std::max<std::size_t>(4, stories.size() / 6);
  for (std::size_t i = 0; i < count; ++i) {
    const bool linked = !chance(10);
    shots.push_back(
        json::object{{"id", next_id("sh")},
                     {"sceneId", scene_ids[i * scene_ids.size() / count]},
                     {"intext", chance(50) ? "INT" : ""},
                     {"shot", chance(50) ? "CU" : ""},
                     {"lens", chance(50) ? "35mm" : ""},
                     {"move", chance(20) ? "dolly in" : ""},
                     {"duration", ""},
                     {"subject", ""},
                     {"description", linked ? std::string() : prose(60, 160, false)},
                     {"script", ""},
                     {"ref", nullptr},
                     {"vembaId", linked ? json::value(stories[pick(stories.size())]) : json::value(nullptr)},
                     {"setplanId", chance(20) ? json::value(setplan) : json::value(nullptr)},
                     {"custom", json::object{}},
                     {"done", chance(15)}});
  }
  return json::object{{"id", id},
                      {"type", "shotlist"},
                      {"title", "Shot list"},
                      {"body", ""},
                      {"images", json::array{}},
                      {"color", nullptr},
                      {"hidden", false},
                      {"numberStyle", "scene"},
                      {"callTime", "07:30"},
                      {"scenes", std::move(scenes)},
                      {"shots", std::move(shots)}};
}

json::object Generator::set_plan(const std::string& id, int variant) {
  json::array elements;
  const std::array kinds = {"camera", "light", "subject", "prop", "wall", "light", "camera", "note"};
  for (std::size_t i = 0; i < 8 + static_cast<std::size_t>(variant) * 4; ++i) {
    json::object element{{"id", next_id("e")},
                         {"kind", kinds[i % kinds.size()]},
                         {"x", 40.0 + static_cast<double>(pick(600))},
                         {"y", 40.0 + static_cast<double>(pick(400))},
                         {"rot", static_cast<double>(pick(360))}};
    if (element["kind"] == "camera") element["focal"] = 35;
    if (element["kind"] == "wall") element["len"] = 240.5;
    elements.push_back(std::move(element));
  }
  json::object plan{{"w", 750},
                    {"h", 525},
                    {"scale", json::object{{"roomW", 5}, {"roomH", 3.5}, {"unit", "m"}, {"unitsPerPx", 1.0 / 150.0}}},
                    {"grid", true},
                    {"dark", variant == 1},
                    {"bg", variant == 1 ? json::value("set-floor.png") : json::value(nullptr)},
                    {"bgOpacity", 0.6},
                    {"showRays", variant == 1},
                    {"snap", false},
                    {"sensorW", 24.89},
                    {"elements", std::move(elements)}};
  return json::object{{"id", id},        {"type", "setplan"},       {"title", variant ? "Harbour set" : "Kitchen set"},
                      {"body", ""},      {"images", json::array{}}, {"color", nullptr},
                      {"hidden", false}, {"plan", std::move(plan)}};
}

}  // namespace bench

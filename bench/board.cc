#include "board.h"

#include "files.h"
#include "plain_json.h"

#include <fmt/format.h>
#include <boost/json.hpp>

#include <array>
#include <cstdint>
#include <random>

namespace bench {
namespace json = boost::json;
namespace {

constexpr int kSlotsPerGroup = 40;  // 8 columns by 5 rows
constexpr int kSequenceEvery = 5;   // every fifth group has no sequence start: its chain is a side chain

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
const std::array kSequences = {"The Long Night",  "  morning after", "Harbour Run",   "",
                               "Last Train Home", "Échos",           "the quiet part"};
const std::array kSlugs = {"INT. KITCHEN — NIGHT", "EXT. HARBOUR — DAWN", "INT. STATION HALL — DAY",
                           "EXT. ROOFTOP — DUSK", ""};

class Generator {
 public:
  explicit Generator(const BoardSpec& spec) : spec_(spec), rng_(0x5eed0000u + static_cast<std::uint64_t>(spec.cards)) {}

  json::object build(Manifest& manifest);
  std::vector<std::pair<std::string, std::string>> assets() const { return assets_; }

 private:
  std::uint64_t pick(std::uint64_t n) { return rng_() % n; }
  bool chance(int percent) { return pick(100) < static_cast<std::uint64_t>(percent); }
  std::string next_id(std::string_view prefix) { return fmt::format("{}{}", prefix, uid_++); }
  std::string prose(std::size_t min_bytes, std::size_t max_bytes, bool mentions);
  std::string base64_noise(std::size_t bytes);
  // Now and then a card names a still that is not in assets/, for the integrity check to find.
  std::string still_name() { return fmt::format("still-{:04}.jpg", chance(1) ? 41 + pick(4) : 1 + pick(40)); }

  std::vector<std::string> plan_types();
  json::object story_card(int slot, const std::string& id);
  json::object plain_card(const std::string& type, const std::string& id, std::string title);
  json::object shot_list(const std::string& id, const json::array& groups, const std::vector<std::string>& stories,
                         const std::string& setplan);
  json::object set_plan(const std::string& id, int variant);

  const BoardSpec& spec_;
  std::mt19937_64 rng_;
  std::uint64_t uid_ = 201;
  std::vector<std::string> element_titles_;
  std::vector<std::string> mention_only_;  // spellings that only some readers match
  std::vector<std::pair<std::string, std::string>> assets_;
  int search_hits_ = 0;
};

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
  if (mentions && chance(2)) {
    text += " The harbour lantern flickers.";
    ++search_hits_;
  }
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
  std::vector<std::string> types(static_cast<std::size_t>(spec_.cards));
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
  if (spec_.cards >= 10) {
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

json::object Generator::build(Manifest& manifest) {
  const std::vector<std::string> types = plan_types();
  const int group_count = (spec_.cards + kSlotsPerGroup - 1) / kSlotsPerGroup;
  std::vector<std::string> node_ids;
  for (int i = 0; i < spec_.cards; ++i) node_ids.push_back(next_id("n"));
  json::array groups;
  for (int g = 0; g < group_count; ++g) {
    groups.push_back(json::object{{"id", next_id("g")},
                                  {"name", fmt::format("Act {} · part {}", g / 10 + 1, g % 10 + 1)},
                                  {"role", g % 10 == 0 ? "section" : "slide"},
                                  {"color", "#CC8E78"},
                                  {"x", static_cast<double>((g % 10) * 3200)},
                                  {"y", static_cast<double>((g / 10) * 1800)},
                                  {"w", 2960.0},
                                  {"h", 1620.0},
                                  {"order", g},
                                  {"hidden", false},
                                  {"hiddenInExport", g % 17 == 5}});
  }

  json::array nodes, edges;
  std::vector<std::string> stories;
  std::string setplan_id;
  std::size_t element_index = 0, media_left = spec_.media_bytes * 3 / 4;
  std::string previous_story;  // the story card the chain continues from
  int previous_group = -1;
  for (int i = 0; i < spec_.cards; ++i) {
    const std::string& id = node_ids[static_cast<std::size_t>(i)];
    const std::string& type = types[static_cast<std::size_t>(i)];
    const int group = i / kSlotsPerGroup, slot = i % kSlotsPerGroup;
    json::object card;
    if (type == "vemba") {
      card = story_card(slot, id);
      if (chance(3)) {  // an alternate take branching off the chain
        card["alt"] = true;
        if (!previous_story.empty())
          edges.push_back(json::object{{"from", previous_story}, {"to", id}, {"type", "alternative"}, {"label", "or"}});
      } else {
        const bool new_group = group != previous_group;
        if (new_group && group % kSequenceEvery != kSequenceEvery - 1) {
          card["seqStart"] = true;
          card["seqName"] = kSequences[static_cast<std::size_t>(group) % kSequences.size()];
        }
        // Chains run through a group and on into the next one, except into the side-chain groups.
        if (!previous_story.empty() && !(new_group && group % kSequenceEvery == kSequenceEvery - 1) && !chance(2))
          edges.push_back(json::object{{"from", previous_story}, {"to", id}, {"type", "continues"}, {"label", ""}});
        if (chance(2) && !previous_story.empty())
          edges.push_back(json::object{{"from", id},
                                       {"to", previous_story},
                                       {"type", "continues"},
                                       {"label", "flashback"},
                                       {"condition", "if told"}});
        previous_story = id;
        previous_group = group;
        stories.push_back(id);
      }
      if (media_left > 0 && i % 97 == 13) {
        const std::size_t size = std::min<std::size_t>(media_left, 110000);
        card["images"].as_array().push_back(json::value("data:image/jpeg;base64," + base64_noise(size)));
        media_left -= size;
      }
    } else if (type == "shotlist") {
      continue;  // filled in once the stories are known
    } else if (type == "setplan") {
      const int variant = setplan_id.empty() ? 0 : 1;
      setplan_id = id;
      card = set_plan(id, variant);
    } else if (type == "character" || type == "location" || type == "prop") {
      card = plain_card(
          type, id, chance(5) ? fmt::format("  {} ", element_titles_[element_index]) : element_titles_[element_index]);
      ++element_index;
      if (!previous_story.empty() && chance(30))
        edges.push_back(json::object{{"from", previous_story}, {"to", id}, {"type", "reference"}, {"label", "see"}});
    } else {
      card = plain_card(type, id, fmt::format("{} {}", type, i));
    }
    card["x"] = static_cast<double>((group % 10) * 3200 + 40 + (slot % 8) * 360) + (chance(20) ? 0.5 : 0.0);
    card["y"] = static_cast<double>((group / 10) * 1800 + 60 + (slot / 8) * 300);
    if (!chance(4)) card["groupId"] = groups[static_cast<std::size_t>(group)].as_object().at("id");
    nodes.push_back(std::move(card));
  }
  if (spec_.cards >= 10) {
    json::object list = shot_list(node_ids[3], groups, stories, setplan_id);
    list["x"] = 40.0;
    list["y"] = 60.0;
    list["groupId"] = groups[0].as_object().at("id");
    nodes.insert(nodes.begin() + 3, std::move(list));
  }
  edges.push_back(json::object{{"from", stories.front()}, {"to", "n9999999"}, {"type", "continues"}, {"label", ""}});
  edges.push_back(json::object{
      {"from", groups[0].as_object().at("id")}, {"to", stories.back()}, {"type", "reference"}, {"label", ""}});

  json::array images;
  for (int k = 0; k < 12; ++k) images.push_back(json::object{{"id", next_id("img")}, {"src", still_name()}});
  images.push_back(json::object{{"id", next_id("img")}, {"src", "https://example.org/moodboard.jpg"}});
  media_left += spec_.media_bytes / 4;
  while (media_left > 0) {
    const std::size_t size = std::min<std::size_t>(media_left, 150000);
    images.push_back(json::object{{"id", next_id("img")}, {"src", "data:image/png;base64," + base64_noise(size)}});
    media_left -= size;
  }
  json::array shelf{json::object{{"id", next_id("m")}, {"src", "unused-take-01.jpg"}},
                    json::object{{"id", next_id("m")}, {"src", "/Users/someone/Pictures/still-0002.jpg"}}};
  json::array documents{json::object{{"id", next_id("d")}, {"src", "treatment-notes.md"}, {"name", "Treatment notes"}}};
  json::array embeds{json::object{{"id", next_id("vid")},
                                  {"x", 120},
                                  {"y", -600},
                                  {"w", 480},
                                  {"h", 270},
                                  {"provider", "youtube"},
                                  {"videoId", "abc123XYZ"},
                                  {"originalUrl", "https://youtu.be/abc123XYZ"},
                                  {"thumbnailUrl", "https://img.example.org/abc123XYZ.jpg"}}};
  json::array bindings{
      json::object{{"id", next_id("b")}, {"members", json::array{json::value(stories[0]), json::value(node_ids[1])}}}};

  for (int k = 1; k <= 40; ++k) assets_.emplace_back(fmt::format("still-{:04}.jpg", k), base64_noise(900 + k));
  assets_.emplace_back("unused-take-01.jpg", base64_noise(700));
  assets_.emplace_back("unused-take-02.png", base64_noise(500));
  assets_.emplace_back("set-floor.png", base64_noise(400));
  assets_.emplace_back("treatment-notes.md", "# Treatment notes\n\nThe harbour at night; keep it cold.\n");

  manifest.edit_id = stories[stories.size() / 2];
  manifest.move_id = stories[stories.size() * 3 / 10];
  for (std::size_t k = 0; k < 50; ++k) manifest.batch_ids.push_back(stories[(k * stories.size()) / 50]);
  manifest.place_ref = stories[stories.size() * 6 / 10];
  for (std::size_t i = static_cast<std::size_t>(spec_.cards) * 6 / 10; i < types.size(); ++i)
    if (types[i] == "note") {
      manifest.place_id = node_ids[i];
      break;
    }
  if (manifest.place_id.empty()) manifest.place_id = stories.back();
  manifest.query = "Harbour Lantern";

  return json::object{{"schemaVersion", 1},
                      {"templateId", "blank"},
                      {"name", fmt::format("Bench board {}", spec_.label)},
                      {"context", "A harbour town, one winter night; told out of order."},
                      {"theme", json::object{{"mode", "dark"}, {"color", "#2E3A59"}}},
                      {"numberingMode", "auto"},
                      {"view", json::object{{"panX", -340.5}, {"panY", 0}, {"zoom", 0.75}}},
                      {"nodes", std::move(nodes)},
                      {"edges", std::move(edges)},
                      {"groups", std::move(groups)},
                      {"images", std::move(images)},
                      {"links", json::array{}},
                      {"documents", std::move(documents)},
                      {"mediaShelf", std::move(shelf)},
                      {"videoEmbeds", std::move(embeds)},
                      {"bindings", std::move(bindings)},
                      {"appVersion", "3.2.1"}};
}

}  // namespace

std::expected<Manifest, std::string> write_board(const std::filesystem::path& project_dir, const BoardSpec& spec) {
  if (spec.cards < 10) return std::unexpected(fmt::format("board too small: {} cards", spec.cards));
  std::error_code ec;
  std::filesystem::create_directories(project_dir / "assets", ec);
  if (ec) return std::unexpected(fmt::format("create {}: {}", project_dir.string(), ec.message()));
  Manifest manifest;
  Generator generator(spec);
  const std::string text = to_plain_pretty(generator.build(manifest));
  manifest.document_bytes = text.size();
  if (auto w = write_file(project_dir / "project.json", text); !w) return std::unexpected(w.error());
  if (auto w = write_file(project_dir / ".vemba", "1\n"); !w) return std::unexpected(w.error());
  for (const auto& [name, bytes] : generator.assets())
    if (auto w = write_file(project_dir / "assets" / name, bytes); !w) return std::unexpected(w.error());
  return manifest;
}

}  // namespace bench

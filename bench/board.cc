#include "board.h"

#include "board_generator.h"
#include "files.h"
#include "plain_json.h"

namespace bench {
namespace json = boost::json;
namespace {

constexpr int kSlotsPerGroup = 40;  // 8 columns by 5 rows
constexpr int kSequenceEvery = 5;   // every fifth group has no sequence start: its chain is a side chain
const std::array kSequences = {"The Long Night",  "  morning after", "Harbour Run",   "",
                               "Last Train Home", "Échos",           "the quiet part"};

}  // namespace

json::object Generator::build(Manifest& manifest) {
  const std::vector<std::string> types = plan_types();
  const int group_count = (shape_.cards + kSlotsPerGroup - 1) / kSlotsPerGroup;
  std::vector<std::string> node_ids;
  for (int i = 0; i < shape_.cards; ++i) node_ids.push_back(next_id("n"));
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
  std::size_t element_index = 0, media_left = shape_.media_bytes * 3 / 4;
  std::string previous_story;  // the story card the chain continues from
  int previous_group = -1;
  for (int i = 0; i < shape_.cards; ++i) {
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
  if (shape_.cards >= 10) {
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
  media_left += shape_.media_bytes / 4;
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
  for (std::size_t i = static_cast<std::size_t>(shape_.cards) * 6 / 10; i < types.size(); ++i)
    if (types[i] == "note") {
      manifest.place_id = node_ids[i];
      break;
    }
  if (manifest.place_id.empty()) manifest.place_id = stories.back();
  manifest.query = "Harbour Lantern";

  return json::object{{"schemaVersion", 1},
                      {"templateId", "blank"},
                      {"name", fmt::format("Bench board {}", shape_.label)},
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

std::expected<Manifest, std::string> write_board(const std::filesystem::path& project_dir, const BoardShape& shape) {
  if (shape.cards < 10) return std::unexpected(fmt::format("board too small: {} cards", shape.cards));
  std::error_code ec;
  std::filesystem::create_directories(project_dir / "assets", ec);
  if (ec) return std::unexpected(fmt::format("create {}: {}", project_dir.string(), ec.message()));
  Manifest manifest;
  Generator generator(shape);
  const std::string text = to_plain_pretty(generator.build(manifest));
  manifest.document_bytes = text.size();
  if (auto w = write_file(project_dir / "project.json", text); !w) return std::unexpected(w.error());
  if (auto w = write_file(project_dir / ".vemba", "1\n"); !w) return std::unexpected(w.error());
  for (const auto& [name, bytes] : generator.assets())
    if (auto w = write_file(project_dir / "assets" / name, bytes); !w) return std::unexpected(w.error());
  return manifest;
}

}  // namespace bench

#include "vemba_connector/protocol/prompts.h"

#include <fmt/format.h>

#include <array>
#include <string_view>
#include <vector>

namespace vemba_connector {
namespace {

using vemba_core::project_io::member;
using vemba_core::project_io::text_of;

struct Argument {
  std::string_view name;
  std::string_view description;
};

struct Prompt {
  std::string_view name;
  std::string_view description;
  std::vector<Argument> arguments;  // listed in this order
  std::string_view message;         // one {} per entry of `fill`
  std::vector<std::string_view> fill;
};

constexpr std::string_view kProject = "Project folder name";

const Prompt kPrompts[] = {
    {"break_into_vembas",
     "Turn a script or treatment into vembas on the board",
     {{"project", kProject}, {"source", "The text to break down (or a docId to read)"}},
     "Break this material into story vembas on the Vemba board for project \"{}\".\n\nMaterial:\n{}\n\nMethod: call "
     "get_outline first to see what exists. Then use ONE batch call: add_vemba per vemba (title = the moment, body = "
     "what happens on screen), connect_vembas in story order, create_group per act/sequence, add_node_to_group "
     "accordingly, then auto_layout_group each group. Keep vemba bodies to 2-4 sentences of what the CAMERA sees.",
     {"project", "source"}},
    {"build_shot_list",
     "Build a linked shot list from the board's vembas",
     {{"project", kProject}},
     "Build a shot list for project \"{}\": call get_outline to find the vembas and groups, then build_shot_list (it "
     "creates one scene per canvas group and links every vemba \u2014 columns pull live). Then render_board to "
     "confirm, and open_project to show the result.",
     {"project"}},
    {"continuity_pass",
     "Track one character/location/prop across every vemba",
     {{"project", kProject}, {"element", "The character/location/prop to track"}},
     "Continuity pass on \"{}\" in project \"{}\": read_project scope=nodes, find every vemba whose body mentions it "
     "(the app links @mentions), list where it appears IN STORY ORDER, flag gaps of 3+ vembas and contradictions "
     "(described differently in different vembas). Report as a table; change nothing.",
     {"element", "project"}},
    {"dress_set_plan",
     "Set-dress and light a Set Plan from a scene description",
     {{"project", kProject}, {"scene", "What the scene needs (mood, sources, blocking)"}},
     "Set-dress a Set Plan in project \"{}\" for this scene: {}\n\nMethod: read_set_plan first. Then edit_set_plan "
     "with the FULL plan back: real-world sizes (scale.unitsPerPx), camera with focal length, lights with "
     "fixture/kelvin/intensity, the subject, and props at true scale. Elements: kind "
     "camera|light|subject|prop|wall|window|door|note, each with x, y, rot.",
     {"project", "scene"}},
};

// Replaces each "{}" in turn; the caller's text is inserted as it stands.
std::string fill_template(std::string_view message, const std::vector<std::string_view>& values) {
  std::string out;
  std::size_t next = 0;
  for (std::string_view value : values) {
    const std::size_t at = message.find("{}", next);
    if (at == std::string_view::npos) break;
    out.append(message.substr(next, at - next));
    out.append(value);
    next = at + 2;
  }
  out.append(message.substr(next));
  return out;
}

}  // namespace

json::value prompt_list() {
  json::array prompts;
  for (const Prompt& p : kPrompts) {
    json::array args;
    for (const Argument& a : p.arguments)
      args.push_back(json::object{{"name", a.name}, {"description", a.description}, {"required", true}});
    prompts.push_back(json::object{{"name", p.name}, {"description", p.description}, {"arguments", std::move(args)}});
  }
  return json::object{{"prompts", std::move(prompts)}};
}

std::expected<json::value, std::string> prompt_get(const json::value& params) {
  const std::string_view name = text_of(params, "name");
  const json::value* given = member(params, "arguments");
  for (const Prompt& p : kPrompts) {
    if (p.name != name) continue;
    std::vector<std::string_view> values;
    for (std::string_view arg : p.fill) values.push_back(given ? text_of(*given, arg) : std::string_view());
    json::object content{{"type", "text"}, {"text", fill_template(p.message, values)}};
    json::array messages{json::object{{"role", "user"}, {"content", std::move(content)}}};
    return json::object{{"description", name}, {"messages", std::move(messages)}};
  }
  return std::unexpected(fmt::format("unknown prompt: {}", name));
}

}  // namespace vemba_connector

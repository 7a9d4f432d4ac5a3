#include "calls.h"

#include <fmt/format.h>
#include <boost/json.hpp>

namespace bench {
namespace json = boost::json;
namespace {

std::string text(const json::value& v) { return json::serialize(v); }

std::string move_arguments(const Manifest& b, int rep) {
  return text(json::object{{"nodeId", b.move_id}, {"x", rep % 2 ? 1250.5 : 1240.0}, {"y", 660.0}});
}

std::string batch_arguments(const Manifest& b, int rep) {
  json::array ops;
  for (std::size_t k = 0; k < b.batch_ids.size(); ++k)
    ops.push_back(json::object{
        {"tool", "edit_vemba"},
        {"arguments", json::object{{"vembaId", b.batch_ids[k]},
                                   {"patch", json::object{{"title", fmt::format("{} {}", toggled_title(rep), k)}}}}}});
  return text(json::object{{"ops", std::move(ops)}});
}

std::string place_arguments(const Manifest& b, int) {
  return text(json::object{{"nodeId", b.place_id}, {"refId", b.place_ref}, {"nextFree", true}});
}

std::string no_arguments(const Manifest&, int) { return "{}"; }
std::string search_arguments(const Manifest& b, int) { return text(json::object{{"query", b.query}}); }
std::string markdown_arguments(const Manifest&, int) { return R"({"format":"markdown"})"; }
std::string csv_arguments(const Manifest&, int) { return R"({"format":"shotlist-csv"})"; }

const CallKind kKinds[] = {
    {"edit_vemba", true, false, edit_arguments},
    {"move_node", true, false, move_arguments},
    {"batch (50 edits)", true, false, batch_arguments},
    {"place_node nextFree", true, false, place_arguments},
    {"get_outline", false, false, no_arguments},
    {"read_project", false, false, no_arguments},
    {"search_project", false, false, search_arguments},
    {"render_board", false, false, no_arguments},
    {"check_project", false, false, no_arguments},
    {"export markdown", false, false, markdown_arguments},
    {"export shotlist-csv", false, false, csv_arguments},
    {"production_report", false, false, no_arguments},
    {"undo_last", true, true, no_arguments},
};

}  // namespace

std::span<const CallKind> call_kinds() { return kKinds; }

std::string toggled_title(int rep) { return rep % 2 ? "Bench title B" : "Bench title A"; }

std::string edit_arguments(const Manifest& b, int rep) {
  return text(json::object{{"vembaId", b.edit_id}, {"patch", json::object{{"title", toggled_title(rep)}}}});
}

std::string big_batch_arguments(int ops) {
  json::array list;
  list.reserve(static_cast<std::size_t>(ops));
  for (int i = 0; i < ops; ++i) {
    json::object arguments{{"title", fmt::format("Card {}", i + 1)}, {"body", ""}};
    if (i > 0) arguments["after"] = fmt::format("n{}", 200 + i);
    list.push_back(json::object{{"tool", "add_vemba"}, {"arguments", std::move(arguments)}});
  }
  return text(json::object{{"ops", std::move(list)}});
}

std::string tool_of(const CallKind& kind) {
  const std::string label = kind.label;
  return label.substr(0, label.find(' '));
}

std::string tool_call_line(int id, std::string_view tool, const std::string& arguments) {
  json::value args = json::parse(arguments);
  args.as_object()["project"] = "bench";
  return text(json::object{{"jsonrpc", "2.0"},
                           {"id", id},
                           {"method", "tools/call"},
                           {"params", json::object{{"name", tool}, {"arguments", std::move(args)}}}});
}

}  // namespace bench

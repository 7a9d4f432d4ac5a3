#pragma once
// A session holding one small project, "film", with helpers to edit it and
// to look at what is on disk afterwards.

#include "support/session.h"

#include <gtest/gtest.h>

#include <map>
#include <span>

namespace vemba_test {

using vemba_core::project_io::to_compact;

/// Three cards (one without a type, one measured by the app), a group, three edges and a binding.
/// Its ids are small, so new records are numbered from 201.
inline constexpr std::string_view kFilm = R"({
  "schemaVersion": 1,
  "name": "Film",
  "nodes": [
    {"id": "n1", "type": "vemba", "title": "One", "body": "", "x": 100, "y": 120, "groupId": "g7"},
    {"id": "n2", "type": "note", "title": "Two", "x": 460, "y": 120},
    {"id": "n3", "title": "Three", "x": 820.5, "y": 40, "renderedW": 250, "renderedH": 90}
  ],
  "edges": [
    {"from": "n1", "to": "n2", "type": "continues", "label": ""},
    {"from": "n2", "to": "n3", "type": "reference", "label": ""},
    {"from": "n3", "to": "n1", "type": "continues", "label": ""}
  ],
  "groups": [{"id": "g7", "name": "Act", "x": 0, "y": 0, "w": 400, "h": 280}],
  "bindings": [{"id": "b1", "members": ["n1", "n2", "n3"]}],
  "images": [{"id": "i1", "src": "a.png"}],
  "custom": {"kept": true}
})";

/// Every file of a folder tree with its bytes, to compare before and after.
inline std::map<std::string, std::string> tree_of(const fs::path& folder) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    files[fs::relative(it->path(), folder).string()] = it->is_regular_file() ? slurp(it->path()) : "<folder>";
  return files;
}

/// The compact JSON of the part of `v` that a key path names (array
/// positions as digits), or "<missing>".
inline std::string part_of(const json::value& v, std::initializer_list<std::string_view> path) {
  const json::value* at = &v;
  for (std::string_view key : path) {
    if (const json::array* a = at->if_array()) {
      const std::size_t i = std::stoul(std::string(key));
      at = i < a->size() ? &(*a)[i] : nullptr;
    } else {
      at = vemba_core::project_io::member(*at, key);
    }
    if (!at) return "<missing>";
  }
  return to_compact(*at);
}

class FilmTest : public ::testing::Test {
 protected:
  FilmTest() : folder_(s_.make_project("film", kFilm)) {}

  /// Calls `tool` on "film" with the arguments given as JSON text.
  ToolReply edit(std::string_view tool, std::string_view arguments = "{}") {
    json::value args = parse(arguments);
    if (json::object* o = args.if_object()) o->emplace("project", "film");
    return s_.call(tool, args);
  }

  json::value state() const { return s_.state("film"); }
  std::string project_bytes() const { return slurp(folder_ / "project.json"); }
  fs::path history() const { return folder_ / ".vemba-history"; }
  fs::path signal_path() const { return s_.library() / ".vemba-sync.json"; }
  std::string signal_bytes() const { return slurp(signal_path()); }

  /// The compact JSON of a part of the state on disk, found by a key path
  /// such as {"nodes", "2"}.
  std::string on_disk(std::initializer_list<std::string_view> path) const { return part_of(state(), path); }

  /// One successful edit of a fresh copy of Film: the reply, and the part
  /// of the document on disk that `path` names.
  struct EditCase {
    const char* tool;
    const char* args;
    const char* reply;
    std::initializer_list<std::string_view> path;
    const char* value;
  };
  void expect_edit(const EditCase& c) {
    SCOPED_TRACE(std::string(c.tool) + " " + c.args);
    write_file(folder_ / "project.json", kFilm);
    const ToolReply r = edit(c.tool, c.args);
    EXPECT_FALSE(r.is_error());
    EXPECT_EQ(r.text(), c.reply);
    EXPECT_EQ(on_disk(c.path), c.value);
  }

  /// A failing edit: its error text, the file as it was, no snapshot, and
  /// the signal ended at "done".
  void expect_refused(std::string_view tool, std::string_view arguments, std::string_view error) {
    const std::string before = project_bytes();
    const ToolReply r = edit(tool, arguments);
    EXPECT_TRUE(r.is_error());
    EXPECT_EQ(r.text(), error);
    EXPECT_EQ(project_bytes(), before);
    EXPECT_FALSE(fs::exists(history()));
    expect_signal_done();
  }

  struct RefusedCase {
    const char* tool;
    const char* args;
    const char* error;
  };
  void expect_refused(std::span<const RefusedCase> cases) {
    for (const RefusedCase& c : cases) {
      SCOPED_TRACE(std::string(c.tool) + " " + c.args);
      expect_refused(c.tool, c.args, c.error);
    }
  }

  /// The signal record must be "done" with an empty message for "film".
  void expect_signal_done() const {
    const std::string bytes = signal_bytes();
    const std::string_view head = R"({"at":)", tail = R"(,"message":"","project":"film","status":"done"})";
    ASSERT_TRUE(bytes.starts_with(head) && bytes.ends_with(tail) && bytes.size() > head.size() + tail.size()) << bytes;
    const std::string at = bytes.substr(head.size(), bytes.size() - head.size() - tail.size());
    EXPECT_EQ(at.find_first_not_of("0123456789"), std::string::npos) << bytes;
  }

  Session s_;
  fs::path folder_;
};

}  // namespace vemba_test

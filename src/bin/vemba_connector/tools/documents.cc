// Document text extraction: text files read directly, everything else through
// the Spotlight tools `mdls` and `mdimport`.

#include "project_io/json/json.h"
#include "util/child_process.h"
#include "vemba_connector/tools/handlers.h"

#include <fmt/format.h>

#include <algorithm>

namespace vemba_connector {
namespace {

using namespace vemba_core::project_io;
using namespace vemba_util;

constexpr std::size_t kTextCap = 50'000;
// A stuck indexer must not hang the server, and hosts commonly give a call
// 60 s: all helpers of one call share this bound, counted from the first
// one's start; past it the call gets no text.
constexpr std::chrono::seconds kHelpersLimit{20};
constexpr std::string_view kTextExtensions[] = {"md", "txt", "csv", "tsv", "xml", "log", "json"};

std::string_view last_component(std::string_view src) {
  const std::size_t cut = src.find_last_of("/\\");
  return cut == std::string_view::npos ? src : src.substr(cut + 1);
}

// The first entry with the id decides for its array; a non-text `src` there
// passes the search on to the next array.
std::optional<fs::path> resolve_doc_path(const fs::path& folder, const json::value& state, std::string_view doc_id) {
  std::vector<const json::array*> arrays{array_of(state, "documents")};
  if (const json::array* nodes = array_of(state, "nodes"))
    for (const json::value& node : *nodes) arrays.push_back(array_of(node, "documents"));
  for (const json::array* docs : arrays) {
    if (!docs) continue;
    auto index = find_by_id(*docs, doc_id);
    if (!index) continue;
    if (auto src = opt_text_of((*docs)[*index], "src")) return folder / kAssetsDir / std::string(last_component(*src));
  }
  return std::nullopt;
}

bool has_text_extension(std::string_view file_name) {
  const std::size_t dot = file_name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return false;
  const std::string_view extension = file_name.substr(dot + 1);
  if (!is_valid_utf8(extension)) return false;
  const std::string lower = to_lower(extension);
  return std::find(std::begin(kTextExtensions), std::end(kTextExtensions), lower) != std::end(kTextExtensions);
}

std::optional<std::string> spotlight_text(const fs::path& path, std::chrono::steady_clock::time_point deadline) {
  ChildRun run =
      run_child({"mdls", "-name", "kMDItemTextContent", "-raw", path.string()}, ChildOutput::kCapture, deadline);
  if (!run.exited_zero) return std::nullopt;
  std::string text = lossy_utf8(run.out);
  while (!text.empty() && text.back() == '\0') text.pop_back();
  const std::string_view trimmed = trim_white(text);
  if (trimmed.empty() || trimmed == "(null)") return std::nullopt;
  return std::string(take_chars(trimmed, kTextCap));
}

// A text file read directly, anything else through the indexer; waits for
// the helpers within their shared bound.
std::optional<std::string> extract_text(const fs::path& library, const fs::path& path) {
  // Not a path holding a NUL either: cut there, it would have the indexer read
  // another file.
  if (!is_confined_file(library, path)) return std::nullopt;
  if (has_text_extension(path.filename().string())) {
    auto bytes = read_file(path);
    if (!bytes || !is_valid_utf8(*bytes)) return std::nullopt;
    return std::string(take_chars(*bytes, kTextCap));
  }
  // Once the deadline has passed, run_child starts no further helper.
  const auto deadline = std::chrono::steady_clock::now() + kHelpersLimit;
  if (auto text = spotlight_text(path, deadline)) return text;
  // Not indexed yet: ask for indexing once, then look again.
  run_child({"mdimport", path.string()}, ChildOutput::kDiscard, deadline);
  return spotlight_text(path, deadline);
}

}  // namespace

ToolResult serve_read_document(const Call& call, LoadedProject& project) {
  const std::string_view doc_id = Arguments(call.arguments).text("docId");
  auto path = resolve_doc_path(project.folder, project.state, doc_id);
  if (!path) return ToolResult::fail(not_found("document", doc_id).error());
  // Neither this server nor the indexer it runs reads a file outside the library.
  if (auto inside = confine(project.library, *path); !inside)
    return ToolResult::fail(fmt::format("read document {}: {}", doc_id, inside.error()));
  auto text = extract_text(project.library, *path);
  if (!text)
    return ToolResult::fail(
        fmt::format("Could not extract text from document {} (not indexed yet or unsupported type).", doc_id));
  return ToolResult::ok(std::move(*text));
}

}  // namespace vemba_connector

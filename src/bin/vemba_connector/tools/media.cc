// Media listing and viewing.

#include "project_io/board/board.h"
#include "project_io/store/os.h"
#include "util/image_codec.h"
#include "vemba_connector/tools/handlers.h"

#include <fmt/format.h>

#include <algorithm>

namespace vemba_connector {
namespace {

using namespace vemba_core::project_io;
using namespace vemba_util;

constexpr std::uint64_t kDefaultMaxPx = 900, kMinMaxPx = 64, kMaxMaxPx = 1600;

json::value copy_of(const json::value* v) { return v ? *v : json::value(nullptr); }

json::object media_row(const json::value* id, std::string_view kind, const json::value* src) {
  return json::object{{"id", copy_of(id)}, {"kind", kind}, {"src", copy_of(src)}};
}

void append_items(json::array& rows, const json::array* items, std::string_view kind) {
  if (!items) return;
  for (const json::value& item : *items) rows.push_back(media_row(member(item, "id"), kind, member(item, "src")));
}

void append_images(json::array& rows, const json::value& state) {
  append_items(rows, array_of(state, "images"), "image");
  append_items(rows, array_of(state, "mediaShelf"), "image");
  if (const json::array* nodes = array_of(state, "nodes"))
    for (const json::value& node : *nodes)
      if (const json::array* images = array_of(node, "images"))
        for (const json::value& image : *images) rows.push_back(media_row(member(node, "id"), "image", &image));
}

void append_documents(json::array& rows, const json::value& state) {
  append_items(rows, array_of(state, "documents"), "doc");
  if (const json::array* nodes = array_of(state, "nodes"))
    for (const json::value& node : *nodes) append_items(rows, array_of(node, "documents"), "doc");
}

void append_videos(json::array& rows, const json::value& state) {
  const json::array* embeds = array_of(state, "videoEmbeds");
  if (!embeds) return;
  for (const json::value& embed : *embeds) {
    const json::value* src = member(embed, "url");
    if (!src) src = member(embed, "thumbnailUrl");
    rows.push_back(media_row(member(embed, "id"), "video", src));
  }
}

json::array list_media(const json::value& state, std::optional<std::string_view> filter) {
  json::array rows;
  if (!filter || *filter == "image") append_images(rows, state);
  if (!filter || *filter == "doc") append_documents(rows, state);
  if (!filter || *filter == "video") append_videos(rows, state);
  return rows;
}

// The asset file to show for `ref`: the file itself, else the node's first
// image. A `ref` that leads outside the library is taken as the file, so that
// the read refuses it and says why. A `ref` holding a NUL names no file: the
// test would stop at the NUL and see another one.
std::expected<std::string, std::string> asset_for(const fs::path& library, const fs::path& assets,
                                                  const json::value& state, std::string_view ref) {
  if (is_bare_name(ref) && !holds_nul(ref)) {
    const auto where = confine(library, assets / std::string(ref));
    std::error_code ec;
    if (!where || fs::is_regular_file(*where, ec)) return std::string(ref);
  }
  const json::value* first = nullptr;
  const json::array* nodes = array_of(state, "nodes");
  if (auto index = find_node_index(state, ref); index && nodes)
    if (const json::array* images = array_of((*nodes)[*index], "images"))
      if (!images->empty() && images->front().is_string()) first = &images->front();
  if (!first) return std::unexpected(fmt::format("no asset file or node image found for \"{}\"", ref));
  return std::string(first->get_string());
}

// A bound that is missing or not a whole number of 0 or more is the default.
std::uint32_t max_px_of(const Arguments& args) {
  const std::uint64_t n = args.opt_unsigned("maxPx").value_or(kDefaultMaxPx);
  return static_cast<std::uint32_t>(std::clamp(n, kMinMaxPx, kMaxMaxPx));
}

}  // namespace

ToolResult serve_list_media(const Call& call, LoadedProject& project) {
  return ToolResult::ok(to_pretty(list_media(project.state, Arguments(call.arguments).opt_text("type"))));
}

ToolResult serve_view_media(const Call& call, LoadedProject& project) {
  const Arguments args(call.arguments);
  const std::string_view ref = args.text("ref");
  if (ref.empty()) return ToolResult::fail("missing 'ref' (an asset filename, or a node id whose first image to show)");
  const fs::path assets = project.folder / kAssetsDir;
  auto name = asset_for(project.library, assets, project.state, ref);
  if (!name) return ToolResult::fail(name.error());
  // Anything that could reach outside the assets folder is refused; an empty
  // name is left to the read, which fails on the folder itself.
  if (!name->empty() && !is_bare_name(*name))
    return ToolResult::fail(fmt::format("read {}: not a file in the assets folder", *name));
  auto bytes = read_confined(project.library, assets / *name);
  if (!bytes) return ToolResult::fail(fmt::format("read {}: {}", *name, bytes.error()));
  const std::uint32_t max_px = max_px_of(args);
  auto picture = decode_image(*bytes);
  if (!picture) return ToolResult::fail(fmt::format("not a decodable image ({}): {}", *name, picture.error()));
  const Size size = fit_size({picture->width, picture->height}, max_px);
  const Picture shown = shrink(std::move(*picture), size);
  auto png = encode_png(shown);
  if (!png) return ToolResult::fail(fmt::format("encode: {}", png.error()));
  return ToolResult::png(std::move(*png));
}

}  // namespace vemba_connector

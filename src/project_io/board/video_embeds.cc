#include "project_io/board/board.h"

#include "project_io/json/text.h"
#include "project_io/model/document.h"

#include <fmt/format.h>

namespace vemba_core::project_io {
namespace {

constexpr std::size_t kMinIdLength = 6;

// Earlier markers win wherever they stand in the link.
constexpr std::string_view kYoutubeMarkers[] = {"youtu.be/", "watch?v=", "shorts/", "/embed/"};
constexpr std::string_view kVimeoMarker = "vimeo.com/";

bool is_ascii_digit(char c) { return c >= '0' && c <= '9'; }
bool is_youtube_id_char(char c) {
  return is_ascii_digit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '_';
}

template <class Pred>
std::string_view leading_run(std::string_view s, Pred pred) {
  std::size_t n = 0;
  while (n < s.size() && pred(s[n])) ++n;
  return s.substr(0, n);
}

struct Video {
  std::string_view provider;
  std::string_view id;
};

// Recognises the link by its text alone; nothing is fetched.
std::expected<Video, std::string> parse_video_url(std::string_view url) {
  for (std::string_view marker : kYoutubeMarkers) {
    const std::size_t at = url.find(marker);
    if (at == std::string_view::npos) continue;
    const std::string_view id = leading_run(url.substr(at + marker.size()), is_youtube_id_char);
    if (id.size() < kMinIdLength) return std::unexpected(fmt::format("could not parse a YouTube id from: {}", url));
    return Video{"youtube", id};
  }
  if (const std::size_t at = url.find(kVimeoMarker); at != std::string_view::npos) {
    std::string_view rest = url.substr(at + kVimeoMarker.size());
    if (rest.starts_with("video/")) rest.remove_prefix(6);
    const std::string_view id = leading_run(rest, is_ascii_digit);
    if (id.size() < kMinIdLength) return std::unexpected(fmt::format("could not parse a Vimeo id from: {}", url));
    return Video{"vimeo", id};
  }
  return std::unexpected(fmt::format(
      "only YouTube and Vimeo URLs make embed cards (got: {}). For downloads/extraction, use the app's video importer.",
      url));
}

}  // namespace

std::expected<std::string, std::string> add_video_embed(json::value& doc, std::string_view url_arg,
                                                        std::optional<double> x, std::optional<double> y) {
  const std::string_view url = trim_white(url_arg);
  const std::expected<Video, std::string> video = parse_video_url(url);
  if (!video) return std::unexpected(video.error());
  std::string id = fmt::format("vid{}", next_uid(doc));
  json::object embed{{"id", id}, {"x", x ? *x : default_card_x(doc)}, {"y", y ? *y : 120.0},  {"w", 360},
                     {"h", 200}, {"provider", video->provider},       {"videoId", video->id}, {"originalUrl", url}};
  json::array* embeds = array_of(doc, "videoEmbeds");
  if (!embeds) return not_array("videoEmbeds");
  embeds->push_back(std::move(embed));
  return id;
}

}  // namespace vemba_core::project_io

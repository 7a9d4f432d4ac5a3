#include "project_io/board.h"

namespace vemba_core::project_io {

std::expected<std::string, std::string> add_video_embed(json::value&, std::string_view, std::optional<double>,
                                                        std::optional<double>) {
  return std::unexpected(std::string("add_video_embed is not available yet"));
}

}  // namespace vemba_core::project_io

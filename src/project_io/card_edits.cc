#include "project_io/board.h"

namespace vemba_core::project_io {

std::expected<PatchResult, std::string> edit_vemba(json::value&, std::string_view, const json::value&) {
  return std::unexpected(std::string("edit_vemba is not available yet"));
}

}  // namespace vemba_core::project_io

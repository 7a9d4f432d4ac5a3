#include "project_io/board.h"

namespace vemba_core::project_io {

Status connect_vembas(json::value&, std::string_view, std::string_view, std::string_view, std::string_view,
                      std::optional<std::string_view>) {
  return std::unexpected(std::string("connect_vembas is not available yet"));
}

}  // namespace vemba_core::project_io

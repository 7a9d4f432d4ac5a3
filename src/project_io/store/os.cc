#include "project_io/store/os.h"

#include <cstring>

namespace vemba_core::project_io {

bool holds_nul(const std::filesystem::path& p) { return p.native().find('\0') != std::string::npos; }

std::string os_error(int err) { return std::strerror(err); }
std::string os_error(const std::error_code& ec) { return ec.message(); }

}  // namespace vemba_core::project_io

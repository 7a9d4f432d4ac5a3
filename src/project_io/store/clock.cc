#include "project_io/store/store.h"

#include <chrono>

namespace vemba_core::project_io {

Millis now_ms() {
  const auto since = std::chrono::system_clock::now().time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
  return ms < 0 ? 0 : static_cast<Millis>(ms);
}

}  // namespace vemba_core::project_io

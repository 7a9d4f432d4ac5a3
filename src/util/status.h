#pragma once
// The outcome of a step that returns nothing but may fail: empty, or one
// English line saying what failed.

#include <expected>
#include <string>

namespace vemba_util {

using Status = std::expected<void, std::string>;

}  // namespace vemba_util

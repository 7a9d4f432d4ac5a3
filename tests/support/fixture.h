#pragma once
// JSON fixtures for unit tests.

#include "project_io/json/json.h"

#include <source_location>
#include <string_view>

namespace vemba_test {

/// The fixture's JSON. A fixture that does not parse fails the calling test
/// (at the caller's line) and reads as null, so a typo is a failure rather
/// than a read through an empty result.
boost::json::value doc(std::string_view text, std::source_location where = std::source_location::current());

}  // namespace vemba_test

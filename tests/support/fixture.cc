#include "support/fixture.h"

#include <gtest/gtest.h>

namespace vemba_test {

boost::json::value doc(std::string_view text, std::source_location where) {
  auto parsed = vemba_core::project_io::parse_json(text);
  if (parsed) return std::move(*parsed);
  ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line())) << "bad fixture: " << parsed.error() << "\n"
                                                                    << text;
  return nullptr;
}

}  // namespace vemba_test

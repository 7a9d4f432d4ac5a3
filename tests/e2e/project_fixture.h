#pragma once
// A session holding one project, "Film", and the calls made on it.

#include "support/session.h"

#include <gtest/gtest.h>

namespace vemba_test {

class FilmProject : public ::testing::Test {
 protected:
  explicit FilmProject(std::string_view state, std::vector<std::string> extra_env = {},
                       HostState signals = HostState::kClean)
      : s_(std::nullopt, std::move(extra_env), signals), folder_(fs::canonical(s_.make_project("Film", state))) {}

  void asset(std::string_view name, std::string_view bytes) {
    write_file(folder_ / "assets" / std::string(name), bytes);
  }
  /// A call of `tool` with `project` set to "Film".
  ToolReply call(std::string_view tool, json::object args = {}) {
    args["project"] = "Film";
    return s_.call(tool, args);
  }

  Session s_;
  fs::path folder_;  // canonical
};

}  // namespace vemba_test

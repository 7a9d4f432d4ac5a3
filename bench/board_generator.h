// The board generator's internals, shared by board.cc (the board as a whole)
// and board_cards.cc (one card or document at a time).
#pragma once

#include "board.h"

#include <fmt/format.h>
#include <boost/json.hpp>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace bench {

class Generator {
 public:
  explicit Generator(const BoardShape& shape)
      : shape_(shape), rng_(0x5eed0000u + static_cast<std::uint64_t>(shape.cards)) {}

  boost::json::object build(Manifest& manifest);
  std::vector<std::pair<std::string, std::string>> assets() const { return assets_; }

 private:
  // Raw engine output only: distributions differ between standard libraries, boards must not.
  std::uint64_t pick(std::uint64_t n) { return rng_() % n; }
  bool chance(int percent) { return pick(100) < static_cast<std::uint64_t>(percent); }
  std::string next_id(std::string_view prefix) { return fmt::format("{}{}", prefix, uid_++); }
  std::string prose(std::size_t min_bytes, std::size_t max_bytes, bool mentions);
  std::string base64_noise(std::size_t bytes);
  // Now and then a card names a still that is not in assets/, for the integrity check to find.
  std::string still_name() { return fmt::format("still-{:04}.jpg", chance(1) ? 41 + pick(4) : 1 + pick(40)); }

  std::vector<std::string> plan_types();
  boost::json::object story_card(int slot, const std::string& id);
  boost::json::object plain_card(const std::string& type, const std::string& id, std::string title);
  boost::json::object shot_list(const std::string& id, const boost::json::array& groups,
                                const std::vector<std::string>& stories, const std::string& setplan);
  boost::json::object set_plan(const std::string& id, int variant);

  const BoardShape& shape_;
  std::mt19937_64 rng_;
  std::uint64_t uid_ = 201;
  std::vector<std::string> element_titles_;
  std::vector<std::string> mention_only_;  // spellings that only some readers match
  std::vector<std::pair<std::string, std::string>> assets_;
};

}  // namespace bench

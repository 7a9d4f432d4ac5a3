#include "util/substring_set.h"

#include <deque>

namespace vemba_util {

SubstringSet::SubstringSet(const std::vector<std::string>& needles) : seen_(needles.size(), 0) {
  states_.emplace_back();
  for (std::size_t n = 0; n < needles.size(); ++n) {
    if (needles[n].empty()) continue;
    std::uint32_t state = 0;
    for (const char ch : needles[n]) {
      const auto c = static_cast<unsigned char>(ch);
      std::uint32_t next = child(state, c);
      if (next == kNone) {
        next = static_cast<std::uint32_t>(states_.size());
        states_.emplace_back();
        edges_.emplace(std::uint64_t{state} << 8 | c, next);
        if (state == 0) starts_[c] = true;
      }
      state = next;
    }
    if (states_[state].needle == kNone) states_[state].needle = static_cast<std::uint32_t>(n);
  }
  // Failure links breadth first, so a shorter state is done before a longer one.
  std::vector<std::vector<std::pair<unsigned char, std::uint32_t>>> children(states_.size());
  for (const auto& [key, to] : edges_) children[key >> 8].emplace_back(static_cast<unsigned char>(key & 0xFF), to);
  std::deque<std::uint32_t> queue;
  for (const auto& [c, to] : children[0]) queue.push_back(to);
  while (!queue.empty()) {
    const std::uint32_t s = queue.front();
    queue.pop_front();
    State& here = states_[s];
    here.output = here.needle != kNone ? s : states_[here.fail].output;
    for (const auto& [c, to] : children[s]) {
      std::uint32_t f = here.fail;
      while (f != 0 && child(f, c) == kNone) f = states_[f].fail;
      const std::uint32_t g = child(f, c);
      states_[to].fail = g != kNone ? g : 0;
      queue.push_back(to);
    }
  }
}

std::uint32_t SubstringSet::child(std::uint32_t state, unsigned char c) const {
  const auto it = edges_.find(std::uint64_t{state} << 8 | c);
  return it == edges_.end() ? kNone : it->second;
}

std::uint32_t SubstringSet::step(std::uint32_t state, unsigned char c) const {
  for (;;) {
    if (const std::uint32_t next = child(state, c); next != kNone) return next;
    if (state == 0) return 0;
    state = states_[state].fail;
  }
}

}  // namespace vemba_util

#pragma once
// Which of many needles a text contains, found in one pass over the text
// (Aho-Corasick), so searching every text for every name stays linear.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vemba_util {

class SubstringSet {
 public:
  /// Needles are told apart by their index in `needles`; equal needles
  /// share the first one's index. Empty needles are never reported.
  explicit SubstringSet(const std::vector<std::string>& needles);

  /// Calls `found(index)` once for each distinct needle index that occurs
  /// in `text` as a plain byte substring, in no particular order.
  template <class Found>
  void scan(std::string_view text, Found&& found);

 private:
  static constexpr std::uint32_t kNone = UINT32_MAX;
  struct State {
    std::uint32_t fail = 0;
    std::uint32_t output = kNone;  // nearest state, this one or along `fail`, that ends a needle
    std::uint32_t needle = kNone;  // the needle that ends here
  };

  std::uint32_t step(std::uint32_t state, unsigned char c) const;
  std::uint32_t child(std::uint32_t state, unsigned char c) const;

  std::vector<State> states_;
  std::unordered_map<std::uint64_t, std::uint32_t> edges_;  // state << 8 | byte -> state
  bool starts_[256] = {};                                   // bytes that leave the root
  std::vector<std::uint32_t> seen_;                         // per needle: the scan that reported it last
  std::uint32_t scans_ = 0;
};

template <class Found>
void SubstringSet::scan(std::string_view text, Found&& found) {
  ++scans_;
  std::uint32_t state = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (state == 0 && !starts_[c]) continue;
    state = step(state, c);
    // A needle seen before in this text had its whole chain of shorter
    // needles reported with it, so the walk stops there.
    for (std::uint32_t out = states_[state].output; out != kNone; out = states_[states_[out].fail].output) {
      const std::uint32_t needle = states_[out].needle;
      if (seen_[needle] == scans_) break;
      seen_[needle] = scans_;
      found(static_cast<std::size_t>(needle));
    }
  }
}

}  // namespace vemba_util

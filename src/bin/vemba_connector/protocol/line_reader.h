#pragma once
// The request lines from the host, read from a descriptor through one buffer
// of our own, so that the loop can tell which lines had already come in at
// a given moment.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vemba_connector {

class LineReader {
 public:
  explicit LineReader(int fd) : fd_(fd) {}

  /// The next line with its "\n" (the last one may lack it); none at the end
  /// of the input or on a read error. Valid until the next call of either
  /// function.
  std::optional<std::string_view> next();
  /// The number of the line `next` returned last, from 1.
  std::uint64_t line() const { return returned_; }
  /// Takes in what the host has sent so far without waiting, and counts the
  /// whole lines received: those returned and those waiting in the buffer.
  std::uint64_t lines_in();

 private:
  // Appends what one read gives; false at the end or on an error.
  bool read_more();

  int fd_;
  std::string buffer_;
  std::size_t start_ = 0;    // where the next line begins
  std::size_t scanned_ = 0;  // bytes from start_ known to hold no "\n"
  bool ended_ = false;
  std::uint64_t returned_ = 0;
};

}  // namespace vemba_connector

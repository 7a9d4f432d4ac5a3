#include "vemba_connector/protocol/line_reader.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

namespace vemba_connector {
namespace {

using namespace std::chrono_literals;

class Pipe {
 public:
  Pipe() { EXPECT_EQ(::pipe(fds_), 0); }
  ~Pipe() {
    close_write();
    ::close(fds_[0]);
  }
  int read_end() const { return fds_[0]; }
  int write_end() const { return fds_[1]; }
  void write(std::string_view bytes) { ASSERT_EQ(::write(fds_[1], bytes.data(), bytes.size()), ssize_t(bytes.size())); }
  void close_write() {
    if (fds_[1] >= 0) ::close(fds_[1]);
    fds_[1] = -1;
  }

 private:
  int fds_[2] = {-1, -1};
};

// A reader that cannot start fails the test that wanted it.
std::unique_ptr<LineReader> reading(int fd) {
  auto reader = LineReader::start(fd);
  if (!reader) throw std::runtime_error(reader.error());
  return std::move(*reader);
}

std::optional<std::string> text_of(const std::optional<LineReader::Line>& line) {
  if (!line) return std::nullopt;
  return line->text;
}

// A line is stamped when it comes in, not when the loop, busy with the line
// before, takes it; a line cut in two is whole once its end comes.
TEST(LineReader, StampsEachLineWhenItComesIn) {
  using Clock = std::chrono::steady_clock;
  Pipe pipe;
  const auto reader = reading(pipe.read_end());
  pipe.write("one\ntw");
  EXPECT_EQ(text_of(reader->next()), "one\n");
  pipe.write("o\nthree\n");
  const Clock::time_point sent = Clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the call of "one"
  const auto two = reader->next();
  ASSERT_TRUE(two);
  EXPECT_EQ(two->text, "two\n");
  EXPECT_LT(two->arrived - sent, std::chrono::milliseconds(150));
  EXPECT_EQ(text_of(reader->next()), "three\n");
  pipe.write("last, with no line end");
  pipe.close_write();
  EXPECT_EQ(text_of(reader->next()), "last, with no line end");
  EXPECT_EQ(reader->next(), std::nullopt);
}

// Input that never ends does not keep the reader from stopping.
TEST(LineReader, StopsWithTheInputStillOpen) {
  Pipe pipe;
  reading(pipe.read_end()).reset();
  const auto reader = reading(pipe.read_end());
  pipe.write("after\n");
  EXPECT_EQ(text_of(reader->next()), "after\n");
}

// A line far longer than one read, and a descriptor a host left
// non-blocking, come through whole.
TEST(LineReader, ReadsLongLinesAndNonBlockingInput) {
  Pipe pipe;
  ASSERT_EQ(::fcntl(pipe.read_end(), F_SETFL, O_NONBLOCK), 0);
  const auto reader = reading(pipe.read_end());
  const std::string longer(200'000, 'x');
  std::thread writer([&] {
    pipe.write(longer.substr(0, 50'000));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    pipe.write(longer.substr(50'000) + "\nnext\n");
    pipe.close_write();
  });
  EXPECT_EQ(text_of(reader->next()), longer + "\n");
  EXPECT_EQ(text_of(reader->next()), "next\n");
  EXPECT_EQ(reader->next(), std::nullopt);
  writer.join();
}

// Numbered lines of `kLine` bytes, `bytes` of them in all.
constexpr std::size_t kLine = 1000;
std::string numbered_lines(std::size_t bytes) {
  std::string lines;
  for (std::size_t i = 0; lines.size() < bytes; ++i) {
    const std::string number = std::to_string(i);
    lines += number + std::string(kLine - 1 - number.size(), '.') + "\n";
  }
  return lines;
}

// Writes `bytes` from `at` on to the non-blocking `fd`, as a host that never
// waits for replies would, until nothing more goes in for half a second; how
// much went in.
std::size_t fill(int fd, std::string_view bytes, std::size_t& at) {
  const std::size_t from = at;
  pollfd room{fd, POLLOUT, 0};
  while (at < bytes.size() && ::poll(&room, 1, 500) == 1) {
    const ssize_t n = ::write(fd, bytes.data() + at, std::min<std::size_t>(bytes.size() - at, 1 << 16));
    if (n > 0) at += static_cast<std::size_t>(n);
  }
  return at - from;
}

// The reading stops once the lines waiting to be taken reach the bound, so a
// host that writes faster than lines are taken waits at the pipe, and goes on
// as lines are taken; every line comes whole and in order.
TEST(LineReader, ReadsAheadUpToItsBound) {
  const std::string input = numbered_lines(4 * LineReader::kReadAhead);
  Pipe pipe;
  ASSERT_EQ(::fcntl(pipe.write_end(), F_SETFL, O_NONBLOCK), 0);
  const auto reader = reading(pipe.read_end());
  std::size_t written = 0, taken = 0;
  const std::size_t ahead = fill(pipe.write_end(), input, written);
  // Beyond the bound: the pipe, and what the last read brought in.
  EXPECT_GT(ahead, LineReader::kReadAhead * 3 / 4);
  EXPECT_LT(ahead, LineReader::kReadAhead + (1 << 20));
  for (; taken < ahead / 2; taken += kLine) ASSERT_EQ(text_of(reader->next()), input.substr(taken, kLine));
  const std::size_t more = fill(pipe.write_end(), input, written);
  EXPECT_GT(more, taken / 2);
  EXPECT_LT(more, taken + (1 << 18));
  pipe.close_write();
  for (; taken < written; taken += kLine) {
    ASSERT_EQ(text_of(reader->next()), input.substr(taken, std::min(kLine, written - taken)));
  }
  EXPECT_EQ(reader->next(), std::nullopt);
}

// A line longer than the bound comes whole, read on once the lines before it
// are taken.
TEST(LineReader, ALineLongerThanTheBoundComesWhole) {
  Pipe pipe;
  const auto reader = reading(pipe.read_end());
  const std::string longest(3 * LineReader::kReadAhead, 'y');
  std::thread host([&] {
    pipe.write("first\n" + longest + "\nlast\n");
    pipe.close_write();
  });
  std::this_thread::sleep_for(100ms);  // the call of "first"
  EXPECT_EQ(text_of(reader->next()), "first\n");
  EXPECT_EQ(text_of(reader->next()), longest + "\n");
  EXPECT_EQ(text_of(reader->next()), "last\n");
  EXPECT_EQ(reader->next(), std::nullopt);
  host.join();
}

}  // namespace
}  // namespace vemba_connector

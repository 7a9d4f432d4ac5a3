#include "vemba_connector/protocol/line_reader.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace vemba_connector {
namespace {

class Pipe {
 public:
  Pipe() { EXPECT_EQ(::pipe(fds_), 0); }
  ~Pipe() {
    close_write();
    ::close(fds_[0]);
  }
  int read_end() const { return fds_[0]; }
  void write(std::string_view bytes) { ASSERT_EQ(::write(fds_[1], bytes.data(), bytes.size()), ssize_t(bytes.size())); }
  void close_write() {
    if (fds_[1] >= 0) ::close(fds_[1]);
    fds_[1] = -1;
  }

 private:
  int fds_[2] = {-1, -1};
};

std::optional<std::string> text_of(const std::optional<LineReader::Line>& line) {
  if (!line) return std::nullopt;
  return line->text;
}

// A line is stamped when it comes in, not when the loop, busy with the line
// before, takes it; a line cut in two is whole once its end comes.
TEST(LineReader, StampsEachLineWhenItComesIn) {
  using Clock = std::chrono::steady_clock;
  Pipe pipe;
  LineReader reader(pipe.read_end());
  pipe.write("one\ntw");
  EXPECT_EQ(text_of(reader.next()), "one\n");
  pipe.write("o\nthree\n");
  const Clock::time_point sent = Clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the call of "one"
  const auto two = reader.next();
  ASSERT_TRUE(two);
  EXPECT_EQ(two->text, "two\n");
  EXPECT_LT(two->arrived - sent, std::chrono::milliseconds(150));
  EXPECT_EQ(text_of(reader.next()), "three\n");
  pipe.write("last, with no line end");
  pipe.close_write();
  EXPECT_EQ(text_of(reader.next()), "last, with no line end");
  EXPECT_EQ(reader.next(), std::nullopt);
}

// Input that never ends does not keep the reader from stopping.
TEST(LineReader, StopsWithTheInputStillOpen) {
  Pipe pipe;
  { LineReader reader(pipe.read_end()); }
  LineReader reader(pipe.read_end());
  pipe.write("after\n");
  EXPECT_EQ(text_of(reader.next()), "after\n");
}

// A line far longer than one read, and a descriptor a host left
// non-blocking, come through whole.
TEST(LineReader, ReadsLongLinesAndNonBlockingInput) {
  Pipe pipe;
  ASSERT_EQ(::fcntl(pipe.read_end(), F_SETFL, O_NONBLOCK), 0);
  LineReader reader(pipe.read_end());
  const std::string longer(200'000, 'x');
  std::thread writer([&] {
    pipe.write(longer.substr(0, 50'000));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    pipe.write(longer.substr(50'000) + "\nnext\n");
    pipe.close_write();
  });
  EXPECT_EQ(text_of(reader.next()), longer + "\n");
  EXPECT_EQ(text_of(reader.next()), "next\n");
  EXPECT_EQ(reader.next(), std::nullopt);
  writer.join();
}

}  // namespace
}  // namespace vemba_connector

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

// Lines that had come in are counted whether or not the loop has reached
// them; a line cut in two counts once it is whole.
TEST(LineReader, CountsTheWholeLinesThatHaveComeIn) {
  Pipe pipe;
  LineReader reader(pipe.read_end());
  pipe.write("one\ntwo\nthr");
  EXPECT_EQ(reader.next(), "one\n");
  EXPECT_EQ(reader.line(), 1u);
  EXPECT_EQ(reader.lines_in(), 2u);
  pipe.write("ee\nfour\n");
  EXPECT_EQ(reader.lines_in(), 4u);
  EXPECT_EQ(reader.next(), "two\n");
  EXPECT_EQ(reader.next(), "three\n");
  EXPECT_EQ(reader.next(), "four\n");
  EXPECT_EQ(reader.line(), 4u);
  EXPECT_EQ(reader.lines_in(), 4u);
  pipe.write("last, with no line end");
  pipe.close_write();
  EXPECT_EQ(reader.lines_in(), 4u);
  EXPECT_EQ(reader.next(), "last, with no line end");
  EXPECT_EQ(reader.next(), std::nullopt);
  EXPECT_EQ(reader.line(), 5u);
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
  EXPECT_EQ(reader.next(), longer + "\n");
  EXPECT_EQ(reader.next(), "next\n");
  EXPECT_EQ(reader.next(), std::nullopt);
  writer.join();
}

}  // namespace
}  // namespace vemba_connector

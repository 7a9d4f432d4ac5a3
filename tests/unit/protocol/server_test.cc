#include "vemba_connector/protocol/protocol.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace vemba_connector {
namespace {

// The reply lines the loop writes for `input`.
std::string served(std::string_view input, std::span<const Method> methods) {
  std::FILE* in = std::tmpfile();
  std::FILE* out = std::tmpfile();
  std::fwrite(input.data(), 1, input.size(), in);
  std::rewind(in);
  EXPECT_TRUE(run_loop(::fileno(in), ::fileno(out), {}, methods));
  std::string text(static_cast<std::size_t>(::lseek(::fileno(out), 0, SEEK_CUR)), '\0');
  text.resize(static_cast<std::size_t>(::pread(::fileno(out), text.data(), text.size(), 0)));
  std::fclose(in);
  std::fclose(out);
  return text;
}

// A host waits for a reply to every id it sent, so a method that fails is
// still answered; a request without an id is not.
TEST(Loop, AMethodThatThrowsIsAnsweredWhenTheRequestHasAnId) {
  std::vector<Method> methods(protocol_methods().begin(), protocol_methods().end());
  for (Method& m : methods)
    if (m.name == "ping") m.serve = [](const MethodCall&) { throw std::runtime_error("out of memory"); };
  const std::string_view input =
      "{\"id\":1,\"method\":\"ping\"}\n"
      "{\"method\":\"ping\"}\n"
      "{\"id\":null,\"method\":\"ping\"}\n"
      "{\"id\":\"next\",\"method\":\"prompts/get\",\"params\":{\"name\":\"nope\"}}\n";
  EXPECT_EQ(served(input, methods),
            "{\"error\":{\"code\":-32603,\"message\":\"internal error\"},\"id\":1,\"jsonrpc\":\"2.0\"}\n"
            "{\"error\":{\"code\":-32603,\"message\":\"internal error\"},\"id\":null,\"jsonrpc\":\"2.0\"}\n"
            "{\"error\":{\"code\":-32602,\"message\":\"unknown prompt: nope\"},\"id\":\"next\",\"jsonrpc\":\"2.0\"}\n");
}

// Serves standard input with no descriptor left for the reader's pipe; says
// why it could not, and exits 1.
[[noreturn]] void serve_with_no_descriptor_left() {
  const int next_free = ::open("/dev/null", O_RDONLY);
  ::close(next_free);
  const rlimit limit{static_cast<rlim_t>(next_free + 1), static_cast<rlim_t>(next_free + 1)};
  ::setrlimit(RLIMIT_NOFILE, &limit);
  const auto served = run_loop(STDIN_FILENO, STDOUT_FILENO, {});
  std::fputs(served ? "served" : served.error().c_str(), stderr);
  std::_Exit(served ? 0 : 1);
}

TEST(LoopDeathTest, SaysWhyTheInputCannotBeRead) {
  EXPECT_EXIT(serve_with_no_descriptor_left(), ::testing::ExitedWithCode(1), "^read the input: Too many open files$");
}

}  // namespace
}  // namespace vemba_connector

#include "vemba_connector/protocol/replies.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace vemba_connector {
namespace {

// Captures what one envelope writes.
template <class Send>
std::string written(Send send) {
  std::FILE* f = std::tmpfile();
  Replies out(::fileno(f));
  send(out);
  std::string text(static_cast<std::size_t>(::lseek(::fileno(f), 0, SEEK_CUR)), '\0');
  text.resize(static_cast<std::size_t>(::pread(::fileno(f), text.data(), text.size(), 0)));
  std::fclose(f);
  return text;
}

TEST(Envelopes, ExactLines) {
  const json::value id = "req-1";
  EXPECT_EQ(written([&](Replies& r) { r.ok_text(id, "two\nlines \"quoted\""); }),
            "{\"id\":\"req-1\",\"jsonrpc\":\"2.0\",\"result\":{\"content\":[{\"text\":\"two\\nlines \\\"quoted\\\"\","
            "\"type\":\"text\"}]}}\n");
  EXPECT_EQ(written([&](Replies& r) { r.err_text(nullptr, "bad"); }),
            "{\"id\":null,\"jsonrpc\":\"2.0\",\"result\":{\"content\":[{\"text\":\"bad\",\"type\":\"text\"}],"
            "\"isError\":true}}\n");
  EXPECT_EQ(written([&](Replies& r) {
              r.ok_json(7, json::object{{"b", 1}, {"a", 2.0}});
            }),
            "{\"id\":7,\"jsonrpc\":\"2.0\",\"result\":{\"content\":[{\"text\":\"{\\n  \\\"a\\\": 2.0,\\n  \\\"b\\\": "
            "1\\n}\",\"type\":\"text\"}],\"structuredContent\":{\"a\":2.0,\"b\":1}}}\n");
  EXPECT_EQ(written([&](Replies& r) { r.ok_image_png(1, "abcd"); }),
            "{\"id\":1,\"jsonrpc\":\"2.0\",\"result\":{\"content\":[{\"data\":\"YWJjZA==\",\"mimeType\":\"image/png\","
            "\"type\":\"image\"}]}}\n");
  EXPECT_EQ(written([&](Replies& r) { r.error(json::array{1}, -32601, "method not found"); }),
            "{\"error\":{\"code\":-32601,\"message\":\"method not found\"},\"id\":[1],\"jsonrpc\":\"2.0\"}\n");
}

// A long text goes out in pieces; the line is the one the whole envelope
// would make, with escapes, control bytes and multi-byte letters across the
// piece boundaries and bytes that are not UTF-8 kept as they are.
TEST(Envelopes, LongTextsAreTheLineOfTheWholeEnvelope) {
  std::string text;
  for (int i = 0; text.size() < 700'000; ++i) text += i % 7 ? "\"x\"\n\u00e9\u2014\x01\\" : "plain text \xff ";
  for (bool is_error : {false, true}) {
    json::object result{{"content", json::array{json::object{{"type", "text"}, {"text", text}}}}};
    if (is_error) result["isError"] = true;
    const json::object whole{{"id", 9}, {"jsonrpc", "2.0"}, {"result", std::move(result)}};
    EXPECT_EQ(written([&](Replies& r) { is_error ? r.err_text(9, text) : r.ok_text(9, text); }),
              vemba_core::project_io::to_compact(whole) + "\n");
  }
  for (const json::value& value :
       {json::value(json::object{{"t", text}, {"a", json::array{1, 2}}}), json::value(json::array{text, 5})}) {
    json::object result{
        {"content", json::array{json::object{{"type", "text"}, {"text", vemba_core::project_io::to_pretty(value)}}}}};
    if (value.is_object()) result["structuredContent"] = value;
    const json::object whole{{"id", "x"}, {"jsonrpc", "2.0"}, {"result", std::move(result)}};
    EXPECT_EQ(written([&](Replies& r) { r.ok_json("x", value); }), vemba_core::project_io::to_compact(whole) + "\n");
  }
}

TEST(Envelopes, StructuredContentOnlyForObjects) {
  // Hosts reject a structuredContent that is not an object.
  for (const json::value& v : {json::value(json::array{1}), json::value("text"), json::value(3)}) {
    SCOPED_TRACE(vemba_core::project_io::to_compact(v));
    const std::string line = written([&](Replies& r) { r.ok_json(1, v); });
    EXPECT_EQ(line.find("structuredContent"), std::string::npos) << line;
    EXPECT_NE(line.find("\"content\":[{\"text\":"), std::string::npos) << line;
  }
}

// A host may hand down a non-blocking pipe: a reply far larger than the pipe
// holds waits for a slow reader and arrives whole, and so does the next.
TEST(Envelopes, WholeOnANonBlockingOutputReadSlowly) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ASSERT_EQ(::fcntl(fds[1], F_SETFL, O_NONBLOCK), 0);
  std::string text(3 << 20, 'a');
  for (std::size_t i = 0; i < text.size(); i += 1000) text[i] = '"';
  std::string got;
  std::thread reader([&] {
    char piece[4096];
    for (ssize_t n; (n = ::read(fds[0], piece, sizeof piece)) > 0;) {
      got.append(piece, static_cast<std::size_t>(n));
      if (got.size() % (1 << 20) < sizeof piece) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  {
    Replies out(fds[1]);
    out.ok_text(1, text);
    out.result(2, json::object());
  }
  ::close(fds[1]);
  reader.join();
  ::close(fds[0]);
  EXPECT_EQ(got, written([&](Replies& r) { r.ok_text(1, text); }) +
                     written([&](Replies& r) { r.result(2, json::object()); }));
}

// The CPU time the calling thread has used.
std::chrono::nanoseconds thread_cpu() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// A full non-blocking output is waited on, not tried again and again: a reply
// of a megabyte to a host that sleeps half a second before reading costs the
// writer about what writing it to a ready pipe would.
TEST(Envelopes, AFullNonBlockingOutputIsWaitedOn) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ASSERT_EQ(::fcntl(fds[1], F_SETFL, O_NONBLOCK), 0);
  const std::string text(1 << 20, 'a');
  std::chrono::nanoseconds writing{};
  std::thread writer([&] {
    const auto start = thread_cpu();
    Replies(fds[1]).ok_text(1, text);
    writing = thread_cpu() - start;
    ::close(fds[1]);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  std::string got;
  char piece[1 << 16];
  for (ssize_t n; (n = ::read(fds[0], piece, sizeof piece)) > 0;) got.append(piece, static_cast<std::size_t>(n));
  writer.join();
  ::close(fds[0]);
  EXPECT_EQ(got, written([&](Replies& r) { r.ok_text(1, text); }));
  EXPECT_LT(writing, std::chrono::milliseconds(100));
}

}  // namespace
}  // namespace vemba_connector

#include "project_io/json/document_arena.h"

#include "support/sanitizer.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <iostream>
#include <memory_resource>
#include <string>

namespace vemba_core::project_io {
namespace {

// The heap, counting the bytes the arena holds of it.
class CountingHeap final : public std::pmr::memory_resource {
 public:
  std::size_t held() const { return held_; }

 private:
  void* do_allocate(std::size_t bytes, std::size_t align) override {
    held_ += bytes;
    return std::pmr::new_delete_resource()->allocate(bytes, align);
  }
  void do_deallocate(void* p, std::size_t bytes, std::size_t align) override {
    held_ -= bytes;
    std::pmr::new_delete_resource()->deallocate(p, bytes, align);
  }
  bool do_is_equal(const memory_resource& other) const noexcept override { return this == &other; }

  std::size_t held_ = 0;
};

std::string board(int cards, std::size_t body = 40) {
  json::array nodes;
  for (int i = 0; i < cards; ++i)
    nodes.push_back(json::object{{"id", fmt::format("n{}", i)}, {"x", i * 0.5}, {"body", std::string(body, 'b')}});
  return to_compact(json::object{{"nodes", std::move(nodes)}, {"name", "A"}});
}

TEST(DocumentArena, ParsesTheSameValueAndReusesItsMemory) {
  DocumentArena arena;
  const std::string text = board(2000);
  const void* first_at = nullptr;
  const void* last_at = nullptr;
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(round);
    auto doc = parse_json(text, arena.next());
    ASSERT_TRUE(doc);
    EXPECT_EQ(*doc, *parse_json(text));
    EXPECT_EQ(to_compact(*doc), text);
    // Edits allocate from the arena too.
    json::array& nodes = doc->as_object()["nodes"].as_array();
    nodes.push_back(json::object{{"id", "new"}});
    // The same pages, document after document: each value lands where the
    // same value of the document before did.
    const void* first = nodes.front().as_object().begin();
    const void* last = nodes[nodes.size() - 2].as_object().begin();
    if (round == 0) first_at = first, last_at = last;
    EXPECT_EQ(first, first_at);
    EXPECT_EQ(last, last_at);
  }
}

TEST(DocumentArena, ValuesLargerThanABlockAndFailures) {
  DocumentArena arena;
  const std::string big(5u << 20, 'x');
  auto doc = parse_json(fmt::format(R"({{"media":"{}"}})", big), arena.next());
  ASSERT_TRUE(doc);
  EXPECT_EQ(text_of(*doc, "media"), big);
  const auto bad = parse_json("{\"a\":}", arena.next());
  ASSERT_FALSE(bad);
  EXPECT_EQ(bad.error(), parse_json("{\"a\":}").error());
}

// A reply built from the document must not point into it once the next
// document takes the memory back: a copy given storage of its own is deep.
TEST(DocumentArena, CopiesWithStorageOfTheirOwnOutliveTheDocument) {
  DocumentArena arena;
  json::value kept;
  {
    auto doc = parse_json(board(50), arena.next());
    ASSERT_TRUE(doc);
    kept = json::value((*doc).as_object()["nodes"].as_array()[7], json::storage_ptr());
    json::object reply;
    reply["node"] = (*doc).as_object()["nodes"].as_array()[8];  // copied into the reply's storage
    kept.as_object()["reply"] = std::move(reply);
  }
  auto other = parse_json(board(50, 400), arena.next());  // overwrites the old pages
  ASSERT_TRUE(other);
  EXPECT_EQ(text_of(kept, "id"), "n7");
  EXPECT_EQ(text_of(kept.as_object()["reply"].as_object()["node"], "body"), std::string(40, 'b'));
}

TEST(DocumentArena, GivesBackWhatAnUnusuallyLargeDocumentTook) {
  CountingHeap heap;
  DocumentArena arena(4u << 20, &heap);
  ASSERT_TRUE(parse_json(board(200), arena.next()));
  const std::size_t small = heap.held();
  ASSERT_TRUE(parse_json(board(40000), arena.next()));
  const std::size_t large = heap.held();
  EXPECT_GT(large, 4u << 20);
  ASSERT_TRUE(parse_json(board(40000), arena.next()));
  EXPECT_EQ(heap.held(), large);  // the same large project again reuses it all
  ASSERT_TRUE(parse_json(board(200), arena.next()));
  EXPECT_EQ(heap.held(), large);  // still there while the small one is read
  ASSERT_TRUE(parse_json(board(200), arena.next()));
  EXPECT_LE(heap.held(), 4u << 20);
  EXPECT_GE(heap.held(), small);
  arena.next();  // a rewind with no document read
  EXPECT_LE(heap.held(), 4u << 20);
}

// A value kept from one call's document and read in the next call, after the
// rewind or after a smaller document took the front of the memory back,
// reads poisoned memory: the sanitizer stops it instead of letting it read
// stale bytes.
TEST(DocumentArenaDeathTest, AValueKeptPastTheNextCallIsCaught) {
  if (!vemba_test::kAddressSanitizer) GTEST_SKIP() << "rewound memory is poisoned under AddressSanitizer only";
  DocumentArena arena;
  auto doc = parse_json(board(2000), arena.next());
  ASSERT_TRUE(doc);
  const json::value& kept = doc->as_object()["nodes"].as_array().back();
  EXPECT_EQ(text_of(kept, "id"), "n1999");
  EXPECT_DEATH(
      {
        arena.next();
        std::cerr << text_of(kept, "id");
      },
      "use-after-poison");
  EXPECT_DEATH(
      {
        if (!parse_json(board(5), arena.next())) std::abort();
        std::cerr << text_of(kept, "id");
      },
      "use-after-poison");
}

}  // namespace
}  // namespace vemba_core::project_io

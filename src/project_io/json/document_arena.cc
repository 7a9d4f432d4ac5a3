#include "project_io/json/document_arena.h"

#include <boost/json/memory_resource.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define VEMBA_ARENA_POISON 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VEMBA_ARENA_POISON 1
#endif
#endif
#ifdef VEMBA_ARENA_POISON
#include <sanitizer/asan_interface.h>
#endif

namespace vemba_core::project_io {
namespace {

// Under AddressSanitizer memory not handed out since the last rewind is
// poisoned: a value kept from an earlier document reads it and is caught
// (until the next document takes those bytes again), instead of reading
// stale data the sanitizer cannot tell from live.
void set_poisoned(const char* start, std::size_t size, bool poisoned) {
#ifdef VEMBA_ARENA_POISON
  if (poisoned)
    ASAN_POISON_MEMORY_REGION(start, size);
  else
    ASAN_UNPOISON_MEMORY_REGION(start, size);
#else
  (void)start, (void)size, (void)poisoned;
#endif
}

}  // namespace

// Blocks grow by doubling from 1 MB to 64 MB, so a small project takes
// little and a large one few blocks; a value larger than a block gets a
// block of its own.
class DocumentArena::Resource final : public json::memory_resource {
 public:
  Resource(std::size_t keep, std::pmr::memory_resource* upstream) : keep_(keep), upstream_(upstream) {}
  ~Resource() override {
    for (const Block& b : blocks_) release(b);
  }

  void rewind() {
    for (const Block& b : blocks_) set_poisoned(b.start, b.size, true);
    current_ = 0;
    used_ = 0;
  }

  // Keeps every block the last document took, and more up to `keep_` bytes.
  void trim() {
    const std::size_t used_blocks = std::min(current_ + 1, blocks_.size());
    std::size_t kept = 0, i = 0;
    for (; i < blocks_.size() && (i < used_blocks || kept + blocks_[i].size <= keep_); ++i) kept += blocks_[i].size;
    for (std::size_t j = i; j < blocks_.size(); ++j) release(blocks_[j]);
    blocks_.resize(i);
  }

 private:
  struct Block {
    char* start;
    std::size_t size;
  };
  static constexpr std::size_t kFirstBlock = std::size_t{1} << 20;
  static constexpr std::size_t kLargestBlock = std::size_t{64} << 20;
  static constexpr std::size_t kBlockAlign = alignof(std::max_align_t);

  void release(const Block& b) {
    set_poisoned(b.start, b.size, false);
    upstream_->deallocate(b.start, b.size, kBlockAlign);
  }

  void* do_allocate(std::size_t bytes, std::size_t align) override {
    for (;;) {
      if (current_ < blocks_.size()) {
        const Block& b = blocks_[current_];
        // Alignments are powers of two: a mask, not a division.
        const auto free_at = reinterpret_cast<std::uintptr_t>(b.start) + used_;
        const std::size_t at = used_ + ((0 - free_at) & (align - 1));
        if (at <= b.size && bytes <= b.size - at) {
          used_ = at + bytes;
          set_poisoned(b.start + at, bytes, false);
          return b.start + at;
        }
        // Too full: go on with the next block, kept or new.
        ++current_;
        used_ = 0;
        continue;
      }
      const std::size_t grown = blocks_.empty() ? kFirstBlock : std::min(blocks_.back().size * 2, kLargestBlock);
      const std::size_t size = std::max(grown, bytes + align);
      char* start = static_cast<char*>(upstream_->allocate(size, kBlockAlign));
      set_poisoned(start, size, true);
      blocks_.push_back({start, size});
    }
  }

  void do_deallocate(void*, std::size_t, std::size_t) override {}

  bool do_is_equal(const memory_resource& other) const noexcept override { return this == &other; }

  const std::size_t keep_;
  std::pmr::memory_resource* const upstream_;
  std::vector<Block> blocks_;
  std::size_t current_ = 0;  // the block being filled
  std::size_t used_ = 0;     // bytes taken from it
};

}  // namespace vemba_core::project_io

// Lets Boost.JSON drop a document without visiting its values.
template <>
struct boost::json::is_deallocate_trivial<vemba_core::project_io::DocumentArena::Resource> : std::true_type {};

namespace vemba_core::project_io {

DocumentArena::DocumentArena(std::size_t keep, std::pmr::memory_resource* upstream)
    : resource_(std::make_unique<Resource>(keep, upstream)) {}

DocumentArena::~DocumentArena() = default;

json::storage_ptr DocumentArena::next() {
  // A project is mostly loaded again and again: what the last document
  // took stays for the next one, and a larger one's surplus goes once a
  // smaller one follows.
  resource_->trim();
  resource_->rewind();
  return json::storage_ptr(resource_.get());
}

}  // namespace vemba_core::project_io

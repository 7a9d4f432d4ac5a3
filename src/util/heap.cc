#include "util/heap.h"

// Any C library header says whether this is glibc.
#include <cstdlib>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace vemba_util {

void keep_large_buffers() {
#if defined(__GLIBC__)
  // glibc maps every block past 32 MB afresh and faults in each page again;
  // kept in the heap, the next call reuses the same pages. Free heap past
  // 256 MB still goes back.
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  // A thread's own arena gives its top back only past that threshold, which
  // its heaps (64 MB at most) never reach, and malloc_trim() leaves that top
  // alone too: what the request reader took would stay resident for good.
  mallopt(M_ARENA_MAX, 1);
#endif
}

void give_back_free_memory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

}  // namespace vemba_util

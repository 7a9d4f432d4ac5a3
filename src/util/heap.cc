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
#endif
}

}  // namespace vemba_util

#include "vemba_connector/protocol/inherited_signals.h"
#include "vemba_connector/protocol/protocol.h"

#include <unistd.h>
#include <csignal>
#include <cstdio>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

int main(int argc, char** argv) {
  vemba_connector::reset_inherited_signals();
#if defined(__GLIBC__)
  // Each call reads, copies and writes the whole project in buffers of its
  // size. glibc maps every block past 32 MB afresh and faults in each page
  // again; kept in the heap, the next call reuses the same pages. Free heap
  // past 256 MB still goes back.
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
  vemba_connector::run_loop(STDIN_FILENO, stdout, {argv, argv + argc});
  return 0;
}

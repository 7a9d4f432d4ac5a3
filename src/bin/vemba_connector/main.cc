#include "util/heap.h"
#include "vemba_connector/protocol/inherited_signals.h"
#include "vemba_connector/protocol/inherited_streams.h"
#include "vemba_connector/protocol/protocol.h"

#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  vemba_connector::hold_standard_streams();
  vemba_connector::reset_inherited_signals();
  vemba_util::keep_large_buffers();
  const auto served = vemba_connector::run_loop(STDIN_FILENO, STDOUT_FILENO, {argv, argv + argc});
  if (served) return 0;
  std::fprintf(stderr, "vemba_connector: %s\n", served.error().c_str());
  return 1;
}

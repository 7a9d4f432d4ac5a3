#include "vemba_connector/protocol/protocol.h"

#include <csignal>
#include <cstdio>

int main(int argc, char** argv) {
  // A host that closes its end must not kill the server mid-write.
  std::signal(SIGPIPE, SIG_IGN);
  vemba_connector::run_loop(stdin, stdout, {argv, argv + argc});
  return 0;
}

#include "vemba_connector/protocol/inherited_signals.h"

#include <signal.h>

namespace vemba_connector {
namespace {

void set_disposition(int signal, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  ::sigaction(signal, &action, nullptr);
}

}  // namespace

void reset_inherited_signals() {
  set_disposition(SIGCHLD, SIG_DFL);
  set_disposition(SIGPIPE, SIG_IGN);
  sigset_t relied_on;
  sigemptyset(&relied_on);
  sigaddset(&relied_on, SIGCHLD);
  ::sigprocmask(SIG_UNBLOCK, &relied_on, nullptr);
}

}  // namespace vemba_connector

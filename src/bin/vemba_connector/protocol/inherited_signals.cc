#include "vemba_connector/protocol/inherited_signals.h"

#include <signal.h>
#include <sys/time.h>

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
  itimerval off{};
  ::setitimer(ITIMER_REAL, &off, nullptr);
  // Ignoring first drops an alarm left pending, which unblocked at its
  // default would end the server.
  set_disposition(SIGALRM, SIG_IGN);
  set_disposition(SIGALRM, SIG_DFL);
  set_disposition(SIGCHLD, SIG_DFL);
  set_disposition(SIGPIPE, SIG_IGN);
  sigset_t relied_on;
  sigemptyset(&relied_on);
  sigaddset(&relied_on, SIGALRM);
  sigaddset(&relied_on, SIGCHLD);
  ::sigprocmask(SIG_UNBLOCK, &relied_on, nullptr);
}

}  // namespace vemba_connector

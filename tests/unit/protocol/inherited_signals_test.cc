#include "vemba_connector/protocol/inherited_signals.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace vemba_connector {
namespace {

constexpr const char* kFaults[] = {"SIGCHLD blocked", "SIGCHLD not at its default", "SIGPIPE not ignored",
                                   "a child's status lost"};

bool handled_by(int signal, void (*handler)(int)) {
  struct sigaction action {};
  ::sigaction(signal, nullptr, &action);
  return action.sa_handler == handler;
}

// In a child given the worst state a host could hand down: SIGCHLD blocked
// and ignored, SIGPIPE at its default. The bits of kFaults found after the
// reset.
int faults_after_reset() {
  sigset_t child_signal;
  sigemptyset(&child_signal);
  sigaddset(&child_signal, SIGCHLD);
  ::sigprocmask(SIG_BLOCK, &child_signal, nullptr);
  ::signal(SIGCHLD, SIG_IGN);
  ::signal(SIGPIPE, SIG_DFL);

  reset_inherited_signals();

  sigset_t mask;
  ::sigprocmask(SIG_BLOCK, nullptr, &mask);
  int faults = 0;
  if (sigismember(&mask, SIGCHLD)) faults |= 1 << 0;
  if (!handled_by(SIGCHLD, SIG_DFL)) faults |= 1 << 1;
  if (!handled_by(SIGPIPE, SIG_IGN)) faults |= 1 << 2;
  const pid_t child = ::fork();
  if (child == 0) ::_exit(3);
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 3) faults |= 1 << 3;
  return faults;
}

TEST(InheritedSignals, ResetGivesBackWhatTheServerReliesOn) {
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) ::_exit(faults_after_reset());
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  std::string found;
  for (std::size_t bit = 0; bit < std::size(kFaults); ++bit)
    if (WEXITSTATUS(status) & (1 << bit)) found += std::string(kFaults[bit]) + "; ";
  EXPECT_EQ(found, "");
}

}  // namespace
}  // namespace vemba_connector

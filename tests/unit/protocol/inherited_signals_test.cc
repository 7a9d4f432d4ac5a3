#include "vemba_connector/protocol/inherited_signals.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace vemba_connector {
namespace {

constexpr const char* kFaults[] = {
    "SIGALRM blocked",     "SIGCHLD blocked",      "SIGALRM not at its default", "SIGCHLD not at its default",
    "SIGPIPE not ignored", "a child's status lost"};

bool handled_by(int signal, void (*handler)(int)) {
  struct sigaction action {};
  ::sigaction(signal, nullptr, &action);
  return action.sa_handler == handler;
}

// In a child given the worst state a host could hand down: SIGALRM blocked
// with one pending and a timer about to fire, SIGCHLD blocked and ignored,
// SIGPIPE at its default. The bits of kFaults found after the reset.
int faults_after_reset() {
  sigset_t both;
  sigemptyset(&both);
  sigaddset(&both, SIGALRM);
  sigaddset(&both, SIGCHLD);
  ::sigprocmask(SIG_BLOCK, &both, nullptr);
  ::signal(SIGCHLD, SIG_IGN);
  ::signal(SIGPIPE, SIG_DFL);
  ::raise(SIGALRM);
  itimerval soon{{0, 0}, {0, 50'000}};
  ::setitimer(ITIMER_REAL, &soon, nullptr);

  reset_inherited_signals();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // past the timer

  sigset_t mask;
  ::sigprocmask(SIG_BLOCK, nullptr, &mask);
  int faults = 0;
  if (sigismember(&mask, SIGALRM)) faults |= 1 << 0;
  if (sigismember(&mask, SIGCHLD)) faults |= 1 << 1;
  if (!handled_by(SIGALRM, SIG_DFL)) faults |= 1 << 2;
  if (!handled_by(SIGCHLD, SIG_DFL)) faults |= 1 << 3;
  if (!handled_by(SIGPIPE, SIG_IGN)) faults |= 1 << 4;
  const pid_t child = ::fork();
  if (child == 0) ::_exit(3);
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 3) faults |= 1 << 5;
  return faults;
}

TEST(InheritedSignals, ResetGivesBackWhatTheServerReliesOn) {
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) ::_exit(faults_after_reset());
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  // The pending alarm or the timer at its default would end the child.
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  std::string found;
  for (std::size_t bit = 0; bit < std::size(kFaults); ++bit)
    if (WEXITSTATUS(status) & (1 << bit)) found += std::string(kFaults[bit]) + "; ";
  EXPECT_EQ(found, "");
}

}  // namespace
}  // namespace vemba_connector

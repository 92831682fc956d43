#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "services/exit/runtime_error.hpp"
#include "services/exit/write_all_posix.hpp"

namespace {

// A console that does not take output must not keep the report back.
constexpr int kReportDrainMs = 2000;

// Set by the first way out; a second signal (or a fault inside the cleanups)
// must not run the cleanups again.
volatile sig_atomic_t ending_with = 0;

// Large enough for the report, the cleanups and the file writes.
alignas(16) char alternate_stack[64 * 1024];

void WriteReport(int number, int line) {
  char report[kRuntimeErrorReportLimit];
  size_t size = FormatRuntimeErrorReport(report, sizeof report, number, line, CurrentModule(),
                                         CurrentRoutine());
  WriteAll(STDERR_FILENO, report, size);
}

int NumberOfSignal(int signal_number) {
  switch (signal_number) {
    case SIGINT:
      return 9;
    case SIGILL:
      return 10;
    case SIGFPE:
      return 11;
    case SIGSEGV:
    case SIGBUS:
      return 12;
    case SIGTERM:
    case SIGHUP:
      return 13;
    case SIGABRT:
      return 14;
    case SIGQUIT:
      return 15;
    default:
      return 1;
  }
}

// Only async-signal-safe work here: no allocation, no stdio.
void OnSignal(int signal_number) {
  int number = NumberOfSignal(signal_number);
  if (ending_with != 0) _exit(ending_with);
  ending_with = number;
  EmergencyCloseFilesForEnding();
  RunExitCleanups();
  WriteReport(number, -1);
  _exit(number);
}

// Signals without a number of their own that would end the process: the
// terminal is put back and the files closed, then the signal does what it
// would have done, so the parent still sees which one it was.
void OnOtherSignal(int signal_number) {
  if (ending_with != 0) _exit(ending_with);
  ending_with = 1;
  EmergencyCloseFilesForEnding();
  RunExitCleanups();
  signal(signal_number, SIG_DFL);
  sigset_t just_this;
  sigemptyset(&just_this);
  sigaddset(&just_this, signal_number);
  sigprocmask(SIG_UNBLOCK, &just_this, nullptr);
  raise(signal_number);
  _exit(128 + signal_number);  // only if the default action did not end it
}

constexpr int kHandledSignals[] = {SIGINT, SIGILL,  SIGFPE,  SIGSEGV,
                                   SIGBUS, SIGTERM, SIGABRT, SIGQUIT};
constexpr int kOtherEndingSignals[] = {SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU,
                                       SIGXFSZ, SIGPWR,  SIGSYS,  SIGTRAP,   SIGIO,   SIGSTKFLT};

// Requests from outside wait while a report or a cleanup is made.
void BlockRequests(sigset_t& mask) {
  sigemptyset(&mask);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&mask, s);
  for (int s : kOtherEndingSignals) sigaddset(&mask, s);
  for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) sigaddset(&mask, s);
}

// A signal the parent chose to ignore stays ignored.
void CatchUnlessIgnored(int signal_number, const struct sigaction& action) {
  struct sigaction current {};
  if (sigaction(signal_number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) return;
  sigaction(signal_number, &action, nullptr);
}

}  // namespace

void RaiseRuntimeError(int number, int line) {
  // Keep a signal arriving now from running the cleanups a second time.
  sigset_t all;
  sigfillset(&all);
  sigprocmask(SIG_BLOCK, &all, nullptr);
  if (ending_with == 0) {
    ending_with = number == 0 ? 1 : number;
    CloseFilesForEnding();
    // The lines before the report come before it.
    FinishConsoleForEnding(kReportDrainMs);
    RunExitCleanups();
    std::fflush(nullptr);
  }
  WriteReport(number, line);
  _exit(number);
}

void AnswerInterrupt() {}

void InstallSignalHandlers() {
  stack_t stack{};
  stack.ss_sp = alternate_stack;
  stack.ss_size = sizeof alternate_stack;
  stack.ss_flags = 0;
  sigaltstack(&stack, nullptr);

  struct sigaction action {};
  action.sa_handler = OnSignal;
  // SA_NODEFER: a fault inside the handler re-enters it and meets the guard.
  action.sa_flags = SA_ONSTACK | SA_NODEFER;
  // Faults are left unblocked so one inside the handler ends the process
  // at once.
  BlockRequests(action.sa_mask);
  for (int signal_number : kHandledSignals) sigaction(signal_number, &action, nullptr);
  // Under nohup a closed terminal must not end a logger left running.
  CatchUnlessIgnored(SIGHUP, action);
  action.sa_handler = OnOtherSignal;
  for (int signal_number : kOtherEndingSignals) CatchUnlessIgnored(signal_number, action);
  for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) CatchUnlessIgnored(s, action);
  // A console that went away (a closed pipe) must not end a run silently:
  // its writes fail instead, and logging goes on.
  signal(SIGPIPE, SIG_IGN);
}

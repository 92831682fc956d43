#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "services/files.hpp"
#include "services/runtime_error.hpp"
#include "services/write_all_posix.hpp"

namespace {

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
    default:
      return 1;
  }
}

// Only async-signal-safe work here: no allocation, no stdio.
void OnSignal(int signal_number) {
  int number = NumberOfSignal(signal_number);
  if (ending_with != 0) _exit(ending_with);
  ending_with = number;
  EmergencyCloseAllFiles();
  RunExitCleanups();
  WriteReport(number, -1);
  _exit(number);
}

constexpr int kHandledSignals[] = {SIGINT, SIGILL,  SIGFPE, SIGSEGV,
                                   SIGBUS, SIGTERM, SIGHUP, SIGABRT};

}  // namespace

void RaiseRuntimeError(int number, int line) {
  // Keep a signal arriving now from running the cleanups a second time.
  sigset_t all;
  sigfillset(&all);
  sigprocmask(SIG_BLOCK, &all, nullptr);
  if (ending_with == 0) {
    ending_with = number == 0 ? 1 : number;
    CloseAllFiles();
    RunExitCleanups();
    std::fflush(nullptr);
  }
  WriteReport(number, line);
  _exit(number);
}

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
  // Requests from outside wait while the report is made; faults are left
  // unblocked so one inside the handler ends the process at once.
  sigemptyset(&action.sa_mask);
  sigaddset(&action.sa_mask, SIGINT);
  sigaddset(&action.sa_mask, SIGTERM);
  sigaddset(&action.sa_mask, SIGHUP);
  for (int signal_number : kHandledSignals) sigaction(signal_number, &action, nullptr);
  // A console that went away (a closed pipe) must not end a run silently:
  // its writes fail instead, and logging goes on.
  signal(SIGPIPE, SIG_IGN);
}

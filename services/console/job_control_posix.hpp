#pragma once
// Stopping and continuing a job, shared by the two users of the terminal (the
// keyboard and the live screen), each of which puts the terminal back before
// a stop. Only async-signal-safe calls, for use inside their handlers.
#include <signal.h>

inline constexpr int kStopSignals[] = {SIGTSTP, SIGTTIN, SIGTTOU};

// `handler` for `signal_number`, with the stop signals held while it runs so
// that one stop cannot break into another's restore.
inline void CatchWithStopsHeld(int signal_number, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int s : kStopSignals) sigaddset(&action.sa_mask, s);
  sigaction(signal_number, &action, nullptr);
}

// Stops the process as the signal's default would; returns once continued.
// The caller catches the signal again afterwards.
inline void StopNow(int signal_number) {
  signal(signal_number, SIG_DFL);
  sigset_t just_this;
  sigemptyset(&just_this);
  sigaddset(&just_this, signal_number);
  sigprocmask(SIG_UNBLOCK, &just_this, nullptr);
  raise(signal_number);  // stops here until SIGCONT
  sigprocmask(SIG_BLOCK, &just_this, nullptr);
}

#include <windows.h>

#include <atomic>

#include "services/process/stop_request.hpp"

namespace {

// The system ends the process some seconds after a closing console or a
// shutdown; the run ends its commands and closes its files well before.
constexpr DWORD kCloseGraceMs = 4000;

std::atomic<bool> stop_requested{false};
std::atomic<bool> stop_urgent{false};

BOOL WINAPI OnControl(DWORD event) {
  switch (event) {
    case CTRL_LOGOFF_EVENT:
      // A service wrapper's process gets this for every user's log-off.
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      stop_urgent = true;
      stop_requested = true;
      // Returning would let the system end the process at once, with the
      // commands running and the files open: the run ends the process
      // itself while this waits.
      Sleep(kCloseGraceMs);
      return TRUE;
    default:
      // The run ends within its next wait (a second at the most).
      stop_requested = true;
      return TRUE;
  }
}

}  // namespace

void CatchStopRequests() {
  SetConsoleCtrlHandler(OnControl, TRUE);
}

bool StopRequested() {
  return stop_requested;
}

bool StopIsUrgent() {
  return stop_urgent;
}

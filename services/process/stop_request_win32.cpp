#include <windows.h>

#include <atomic>

#include "services/process/stop_request.hpp"

namespace {

std::atomic<bool> stop_requested{false};

BOOL WINAPI OnControl(DWORD) {
  stop_requested = true;
  // The run ends within its next wait (a second at the most); the system
  // gives a closing console several seconds.
  return TRUE;
}

}  // namespace

void CatchStopRequests() {
  SetConsoleCtrlHandler(OnControl, TRUE);
}

bool StopRequested() {
  return stop_requested;
}

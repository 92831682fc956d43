#include <signal.h>

#include <initializer_list>

#include "services/process/stop_request.hpp"

namespace {

volatile sig_atomic_t stop_requested = 0;

void OnStop(int) {
  stop_requested = 1;
}

}  // namespace

void CatchStopRequests() {
  struct sigaction action = {};
  action.sa_handler = OnStop;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a poll or sleep in progress returns at once.
  action.sa_flags = 0;
  for (int number : {SIGINT, SIGTERM, SIGHUP}) sigaction(number, &action, nullptr);
}

bool StopRequested() {
  return stop_requested != 0;
}

bool StopIsUrgent() {
  return false;
}

#include <io.h>
#include <windows.h>

#include "services/console/console.hpp"
#include "services/exit/loop_requests_win32.hpp"
#include "services/idle/idle_wait.hpp"
#include "services/serial/serial_port_win32.hpp"
#include "services/time/clock.hpp"

namespace {

// The console input handle while keys come from a console, else nullptr.
HANDLE KeyEvent(int key_fd) {
  if (key_fd < 0) return nullptr;
  auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(key_fd));
  return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

}  // namespace

// Waits on the port's receive event and the console input; where either
// cannot be watched, the console alone (for `ms`) or a plain sleep.
void IdleWait(int port_number, int ms, int longest_ms) {
  Clock& clock = CurrentClock();
  int key_fd = CurrentConsole().KeyWaitDescriptor();
  // Keys already read wait for the next passes, one a pass.
  if (key_fd == ConsoleDevice::kCannotWatch || KeysBuffered()) {
    clock.SleepMs(ms);
    return;
  }
  HANDLE port = PortReceiveEvent(port_number);
  HANDLE keys = KeyEvent(key_fd);
  HANDLE watched[3];
  DWORD count = 0;
  if (port != nullptr) watched[count++] = port;
  if (keys != nullptr) watched[count++] = keys;
  if (count == 0) {
    clock.SleepMs(ms);
    return;
  }
  // A request from another thread (Ctrl+C, the window closing) ends it too.
  HANDLE wake = LoopWakeEvent();
  if (wake != nullptr) watched[count++] = wake;
  DWORD limit = static_cast<DWORD>(port != nullptr ? longest_ms : ms);
  int64_t start = clock.MonotonicMicros();
  DWORD result = WaitForMultipleObjects(count, watched, FALSE, limit);
  int64_t waited_ms = (clock.MonotonicMicros() - start) / 1000;
  if (result == WAIT_TIMEOUT) return;
  if (result >= WAIT_OBJECT_0 + count) {
    clock.SleepMs(ms);
    return;
  }
  HANDLE ready = watched[result - WAIT_OBJECT_0];
  if (ready == wake) return;
  if (ready == keys) {
    ExpectKey();
    // An event that is no key (a release, a focus change) must not turn
    // the rest of the pause into a spin.
    if (waited_ms < 1) clock.SleepMs(1);
    return;
  }
  PortReceiveEventSeen(port_number);
  // The first byte of a burst: let the rest gather for what is left of the
  // ordinary sleep, so a slow line costs one wake-up per sleep.
  if (waited_ms < ms) clock.SleepMs(static_cast<int>(ms - waited_ms));
}

void KeyWait(int ms, int longest_ms) {
  Clock& clock = CurrentClock();
  int key_fd = CurrentConsole().KeyWaitDescriptor();
  if (key_fd == ConsoleDevice::kCannotWatch || KeysBuffered()) {
    clock.SleepMs(ms);
    return;
  }
  HANDLE keys = KeyEvent(key_fd);
  // No keys coming at all: a plain sleep of the longest wait.
  if (keys == nullptr) {
    clock.SleepMs(key_fd == ConsoleDevice::kNoKeysComing ? longest_ms : ms);
    return;
  }
  int64_t start = clock.MonotonicMicros();
  HANDLE watched[2] = {keys, LoopWakeEvent()};
  DWORD count = watched[1] != nullptr ? 2 : 1;
  DWORD result = WaitForMultipleObjects(count, watched, FALSE, static_cast<DWORD>(longest_ms));
  if (result == WAIT_OBJECT_0 + 1) return;
  if (result == WAIT_OBJECT_0) {
    ExpectKey();
    if ((clock.MonotonicMicros() - start) / 1000 < 1) clock.SleepMs(1);
  } else if (result != WAIT_TIMEOUT) {
    clock.SleepMs(ms);
  }
}

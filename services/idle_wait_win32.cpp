#include <io.h>
#include <windows.h>

#include "services/clock.hpp"
#include "services/console.hpp"
#include "services/idle_wait.hpp"

// A synchronous port handle cannot be waited on beside the console, so the
// port is looked at again after `ms`; a key ends the wait at once. The
// console input handle is signalled while events wait, so key releases and
// other events are taken out (CollectKeys) rather than waited on again.
void IdleWait(int, int ms, int) {
  int key_fd = CurrentConsole().KeyWaitDescriptor();
  if (key_fd < 0 || KeysBuffered()) {
    CurrentClock().SleepMs(ms);
    return;
  }
  auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(key_fd));
  if (handle == INVALID_HANDLE_VALUE) {
    CurrentClock().SleepMs(ms);
    return;
  }
  Clock& clock = CurrentClock();
  int64_t start = clock.MonotonicMicros();
  DWORD result = WaitForSingleObject(handle, static_cast<DWORD>(ms));
  if (result == WAIT_OBJECT_0) {
    ExpectKey();
    // An event that is no key (a release, a mouse move) must not turn the
    // rest of the pause into a spin.
    int64_t waited_ms = (clock.MonotonicMicros() - start) / 1000;
    if (waited_ms < 1) clock.SleepMs(1);
    return;
  }
  if (result != WAIT_TIMEOUT) clock.SleepMs(ms);
}

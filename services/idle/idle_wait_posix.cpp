#include <poll.h>

#include <cerrno>
#include <cstdint>

#include "services/console/console.hpp"
#include "services/idle/idle_wait.hpp"
#include "services/serial/serial_port.hpp"
#include "services/time/clock.hpp"

namespace {

// Bytes already waiting when the wait ends that make a burst worth reading at
// once: more than a slow line brings between two looks, well under what a
// flood piles up.
constexpr int64_t kLargeBurstBytes = 256;

PortChannel* WatchablePort(int port_number) {
  return dynamic_cast<PortChannel*>(ChannelAt(port_number));
}

}  // namespace

void IdleWait(int port_number, int ms, int longest_ms) {
  PortChannel* port = WatchablePort(port_number);
  int port_fd = port != nullptr ? port->WaitDescriptor() : -1;
  int key_fd = CurrentConsole().KeyWaitDescriptor();
  // Keys already read wait for the next passes, one a pass.
  if (port_fd < 0 || key_fd == ConsoleDevice::kCannotWatch || KeysBuffered()) {
    CurrentClock().SleepMs(ms);
    return;
  }
  Clock& clock = CurrentClock();
  int64_t start = clock.MonotonicMicros();
  pollfd watched[2] = {{port_fd, POLLIN, 0}, {key_fd, POLLIN, 0}};
  nfds_t count = key_fd >= 0 ? 2 : 1;
  int ready = poll(watched, count, longest_ms);
  if (ready < 0 && errno != EINTR) {
    clock.SleepMs(ms);
    return;
  }
  // A line that hung up or failed stays "ready": polling it again at once
  // would spin, so such a pass sleeps like an ordinary idle one.
  if (watched[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
    clock.SleepMs(ms);
    return;
  }
  if (count == 2 && watched[1].revents != 0) {
    ExpectKey();
    return;
  }
  if (ready <= 0) return;
  // The first byte of a burst: let the rest of it gather for what is left of
  // the ordinary sleep, so a steady slow line costs a wake-up per sleep, not
  // one per byte. A burst that is already large is read at once.
  int64_t waiting = 0;
  if (port->PortBytesWaiting(waiting) == 0 && waiting >= kLargeBurstBytes) return;
  int64_t waited_ms = (clock.MonotonicMicros() - start) / 1000;
  if (waited_ms < ms) clock.SleepMs(static_cast<int>(ms - waited_ms));
}

void KeyWait(int ms, int longest_ms) {
  int key_fd = CurrentConsole().KeyWaitDescriptor();
  if (key_fd == ConsoleDevice::kCannotWatch || KeysBuffered()) {
    CurrentClock().SleepMs(ms);
    return;
  }
  // No keys coming at all: a plain sleep of the longest wait.
  pollfd keys{key_fd, POLLIN, 0};
  int ready = poll(&keys, key_fd >= 0 ? 1 : 0, longest_ms);
  if (ready < 0 && errno != EINTR) {
    CurrentClock().SleepMs(ms);
    return;
  }
  if (ready > 0) ExpectKey();
}

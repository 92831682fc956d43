#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "services/exit/error_numbers.hpp"
#include "services/serial/line_settings_posix.hpp"
#include "services/serial/modem_wait.hpp"
#include "services/serial/port_spec.hpp"
#include "services/serial/receive_block.hpp"
#include "services/serial/serial_port.hpp"
#include "services/time/clock.hpp"

namespace {

// The logger takes one byte per call; everything the device has waiting is
// fetched in one read and served from here.
constexpr size_t kBlockSize = 64 * 1024;

bool ReadModemLines(int fd, uint32_t& lines) {
  int bits = 0;
  if (ioctl(fd, TIOCMGET, &bits) != 0) return false;
  lines = 0;
  if (bits & TIOCM_CAR) lines |= kModemCarrierDetect;
  if (bits & TIOCM_DSR) lines |= kModemDataSetReady;
  return true;
}

bool WaitForLines(int fd, const PortOptions& options) {
  if (options.CdMs == 0 && options.DsrMs == 0) return true;
  return WaitForModemLines([fd](uint32_t& lines) { return ReadModemLines(fd, lines); },
                           options.CdMs, options.DsrMs, CurrentClock());
}

// Drops the claim: another program that keeps the device open (a simulator
// on a pseudo-terminal) would otherwise keep it exclusive after us. The
// flock goes with the descriptor.
void ReleaseAndClose(int fd) {
  ioctl(fd, TIOCNXCL);
  close(fd);
}

// What the device has not taken within the bound is dropped first: with
// flow control holding the line, close() would wait out the driver's closing
// time (half a minute by default).
void DropUnsentOutput(int fd, uint32_t bound_ms) {
  constexpr uint32_t kSliceMs = 10;
  for (uint32_t waited = 0; waited < bound_ms; waited += kSliceMs) {
    int queued = 0;
    if (ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) return;
    usleep(kSliceMs * 1000);
  }
  ioctl(fd, TCFLSH, TCOFLUSH);
}

// What a tty answers once it hung up (device side closed, adapter pulled).
bool HungUpError(int error) {
  return error == EIO || error == ENXIO || error == ENODEV || error == EBADF;
}

ssize_t ReadRetrying(int fd, char* buffer, size_t count) {
  for (;;) {
    ssize_t got = read(fd, buffer, count);
    if (got >= 0 || errno != EINTR) return got;
  }
}

class DevicePort final : public PortChannel {
 public:
  DevicePort(int fd, const PortOptions& options, std::string path)
      : fd_(fd), options_(options), path_(std::move(path)), block_(kBlockSize) {}
  ~DevicePort() override { Close(); }

  int PortAtEnd() override {
    if (!block_.empty()) return 0;
    int waiting = 0;
    if (ioctl(fd_.load(), FIONREAD, &waiting) != 0) {
      if (HungUpError(errno)) lost_ = true;
      return -1;
    }
    if (waiting <= 0) return 1;
    // A failed fetch leaves the bytes waiting; the read reports it.
    Fetch(static_cast<size_t>(waiting));
    return 0;
  }

  int PortBytesWaiting(int64_t& count) override {
    count = 0;
    int waiting = 0;
    if (ioctl(fd_.load(), FIONREAD, &waiting) != 0) return kIllegalFunctionCall;
    count = static_cast<int64_t>(block_.held()) + std::max(waiting, 0);
    return kNoError;
  }

  int PortRead(char* buffer, size_t count, size_t& received) override {
    received = 0;
    if (!WaitForLines(fd_.load(), options_)) return kFileIoError;
    if (count == 0) return kNoError;
    if (block_.empty()) {
      int waiting = 0;
      if (ioctl(fd_.load(), FIONREAD, &waiting) == 0 && waiting > 0) {
        if (!Fetch(static_cast<size_t>(waiting))) return kFileIoError;
      } else {
        // Nothing waiting: one blocking read, as long as the line settings
        // make it wait.
        ssize_t got = ReadRetrying(fd_.load(), buffer, count);
        // With VMIN 1 a read returns nothing only after a hang-up.
        if (got == 0 || (got < 0 && HungUpError(errno))) lost_ = true;
        if (got < 0) return kFileIoError;
        received = static_cast<size_t>(got);
        return kNoError;
      }
    }
    received = block_.Take(buffer, count);
    return kNoError;
  }

  int PortWrite(const char* data, size_t count) override {
    if (!WaitForLines(fd_.load(), options_)) return kFileIoError;
    while (count > 0) {
      ssize_t put = write(fd_.load(), data, count);
      if (put < 0 && errno == EINTR) continue;
      if (put < 0 && HungUpError(errno)) lost_ = true;
      if (put <= 0) return kFileIoError;
      data += put;
      count -= static_cast<size_t>(put);
    }
    return kNoError;
  }

  int PortWriteSome(const char* data, size_t count, size_t& taken) override {
    taken = 0;
    int fd = fd_.load();
    if (!LinesUp(fd)) return kNoError;
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0) return kFileIoError;
    // Only for this write: reads still wait as the line settings say.
    fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int result = kNoError;
    while (taken < count) {
      ssize_t put = write(fd, data + taken, count - taken);
      if (put > 0) {
        taken += static_cast<size_t>(put);
        continue;
      }
      if (put < 0 && errno == EINTR) continue;
      if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
      if (put < 0 && HungUpError(errno)) lost_ = true;
      result = kFileIoError;
      break;
    }
    fcntl(fd, F_SETFL, flags);
    return result;
  }

  int WaitDescriptor() override { return !block_.empty() ? -1 : fd_.load(); }

  // Bytes still held are served first; the loop asks only when none are.
  bool PortLost() override {
    if (lost_) return true;
    pollfd p{fd_.load(), POLLIN, 0};
    if (poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) lost_ = true;
    // The node went away (adapter pulled, its by-id link removed).
    struct stat node;
    if (stat(path_.c_str(), &node) != 0 && (errno == ENOENT || errno == ENOTDIR)) lost_ = true;
    return lost_;
  }

  int Close() override {
    int fd = fd_.exchange(-1);
    if (fd < 0) return kNoError;
    DropUnsentOutput(fd, DeviceWaitBoundMs(options_));
    ReleaseAndClose(fd);
    return kNoError;
  }

  // Signal time: ioctl and close are plain system calls; nothing waits.
  void EmergencyClose() override {
    int fd = fd_.exchange(-1);
    if (fd < 0) return;
    DropUnsentOutput(fd, 0);
    ReleaseAndClose(fd);
  }

 private:
  // The lines a write waits for, looked at once: a device that is not
  // ready takes nothing yet.
  bool LinesUp(int fd) {
    if (options_.CdMs == 0 && options_.DsrMs == 0) return true;
    uint32_t lines = 0;
    if (!ReadModemLines(fd, lines)) return false;
    if (options_.CdMs != 0 && (lines & kModemCarrierDetect) == 0) return false;
    return options_.DsrMs == 0 || (lines & kModemDataSetReady) != 0;
  }

  bool Fetch(size_t waiting) {
    ssize_t got = ReadRetrying(fd_.load(), block_.space(), std::min(waiting, kBlockSize));
    if (got == 0 || (got < 0 && HungUpError(errno))) lost_ = true;
    if (got <= 0) return false;
    block_.Filled(static_cast<size_t>(got));
    return true;
  }

  std::atomic<int> fd_;
  PortOptions options_;
  std::string path_;
  ReceiveBlock block_;
  bool lost_ = false;
};

// Reads, changes and writes back the line settings; the numbers of the
// configuration steps (8 cannot read, 1 cannot set).
int Configure(int fd, const PortOptions& options) {
  termios2 settings;
  if (ioctl(fd, TCGETS2, &settings) != 0) return kNoPrivileges;
  if (ApplyLineSettings(options, settings) != kNoError) return kIllegalFunctionCall;
  // Not the draining or flushing variant: bytes already waiting stay.
  if (ioctl(fd, TCSETS2, &settings) != 0) return kIllegalFunctionCall;
  // Devices without modem lines (pseudo-terminals) refuse these; no error.
  if (options.SuppressRts) {
    int rts = TIOCM_RTS;
    ioctl(fd, TIOCMBIC, &rts);
  }
  int dtr = TIOCM_DTR;
  ioctl(fd, TIOCMBIS, &dtr);
  return kNoError;
}

// A name that is neither COMn, SER nor a path ("ttyUSB0") is the device of
// that name under /dev when there is one; otherwise the numbered-port rule
// holds (port 1).
std::string DevicePath(std::string_view port_string, uint32_t port_number) {
  std::string_view name = port_string.substr(0, port_string.find(':'));
  bool com_form = name.size() >= 3 && (name[0] | 0x20) == 'c' && (name[1] | 0x20) == 'o' &&
                  (name[2] | 0x20) == 'm' &&
                  name.find_first_not_of("0123456789", 3) == std::string_view::npos;
  if (port_number == 0 && !name.empty() && name.front() != '/' && !com_form) {
    std::string candidate = "/dev/" + std::string(name);
    struct stat node;
    if (stat(candidate.c_str(), &node) == 0 && S_ISCHR(node.st_mode)) return candidate;
  }
  return SerialDevicePath(port_string, port_number);
}

}  // namespace

int OpenSerial(int number, std::string_view port_string) {
  PortOptions options;
  if (CheckPortToOpen(number, port_string, options) != kNoError) {
    return SetLastError(kIllegalFunctionCall);
  }

  std::string path = DevicePath(port_string, options.PortNumber);
  // Non-blocking until CLOCAL is set: a real port would otherwise wait for
  // carrier inside open().
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return SetLastError(kFileNotFound);
  // TIOCEXCL does not stop root; the flock stops a second logger of any user.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return SetLastError(kFileNotFound);
  }
  ioctl(fd, TIOCEXCL);

  int result = Configure(fd, options);
  // The wait runs even after a failed configuration, and its failure wins.
  if (!WaitForLines(fd, options)) result = kIllegalFunctionCall;
  if (result == kNoError) {
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) result = kIllegalFunctionCall;
  }
  if (result != kNoError) {
    ReleaseAndClose(fd);
    return SetLastError(result);
  }
  return InstallChannel(number, std::make_unique<DevicePort>(fd, options, std::move(path)));
}

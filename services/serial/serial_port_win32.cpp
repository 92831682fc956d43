#include "services/serial/serial_port_win32.hpp"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>

#include "services/exit/error_numbers.hpp"
#include "services/serial/line_settings_win32.hpp"
#include "services/serial/modem_wait.hpp"
#include "services/serial/port_spec.hpp"
#include "services/serial/receive_block.hpp"
#include "services/serial/serial_port.hpp"
#include "services/time/clock.hpp"

namespace {

// The logger takes one byte per call; everything the device has waiting is
// fetched in one read and served from here.
constexpr DWORD kBlockSize = 64 * 1024;

bool ReadModemLines(HANDLE port, uint32_t& lines) {
  DWORD status = 0;
  if (!GetCommModemStatus(port, &status)) return false;
  lines = 0;
  if (status & MS_RLSD_ON) lines |= kModemCarrierDetect;
  if (status & MS_DSR_ON) lines |= kModemDataSetReady;
  return true;
}

bool WaitForLines(HANDLE port, const PortOptions& options) {
  if (options.CdMs == 0 && options.DsrMs == 0) return true;
  return WaitForModemLines([port](uint32_t& lines) { return ReadModemLines(port, lines); },
                           options.CdMs, options.DsrMs, CurrentClock());
}

bool Waiting(HANDLE port, DWORD& count) {
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(port, &errors, &status)) return false;
  count = status.cbInQue;
  return true;
}

// Errors of a device that went away (a USB adapter pulled) rather than of
// one request.
bool GoneError(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_BAD_COMMAND:
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_GEN_FAILURE:
    case ERROR_INVALID_HANDLE:
    case ERROR_NOT_READY:
    case ERROR_OPERATION_ABORTED:
      return true;
    default:
      return false;
  }
}

class DevicePort final : public PortChannel {
 public:
  DevicePort(HANDLE handle, const PortOptions& options)
      : handle_(handle),
        options_(options),
        bound_ms_(DeviceWaitBoundMs(options)),
        block_(kBlockSize),
        receive_(new ReceiveRecord{}),
        write_(new OVERLAPPED{}) {
    receive_->hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (receive_->hEvent != nullptr && !SetCommMask(handle, EV_RXCHAR)) {
      CloseHandle(receive_->hEvent);
      receive_->hEvent = nullptr;
    }
    write_->hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  }
  ~DevicePort() override { Close(); }

  int PortAtEnd() override {
    // Once a pass: a command write the device holds too long is ended here.
    if (write_pending_) EndWrite(false);
    if (!block_.empty()) return 0;
    DWORD waiting = 0;
    if (!Waiting(handle_.load(), waiting)) {
      NoteFailure();
      return -1;
    }
    if (waiting == 0) return 1;
    // A failed fetch leaves the bytes waiting; the read reports it.
    Fetch(waiting);
    return 0;
  }

  int PortBytesWaiting(int64_t& count) override {
    count = 0;
    DWORD waiting = 0;
    if (!Waiting(handle_.load(), waiting)) return kIllegalFunctionCall;
    count = static_cast<int64_t>(block_.held()) + waiting;
    return kNoError;
  }

  int PortRead(char* buffer, size_t count, size_t& received) override {
    received = 0;
    if (!WaitForLines(handle_.load(), options_)) return kFileIoError;
    if (count == 0) return kNoError;
    if (block_.empty()) {
      DWORD waiting = 0;
      if (Waiting(handle_.load(), waiting) && waiting > 0) {
        if (!Fetch(waiting)) return kFileIoError;
      } else {
        // Nothing waiting: one read, as long as the time-outs make it wait.
        DWORD got = 0;
        DWORD asked = count > kBlockSize ? kBlockSize : static_cast<DWORD>(count);
        if (!Transfer(handle_.load(), true, buffer, asked, got, bound_ms_)) {
          NoteFailure();
          return kFileIoError;
        }
        received = got;
        return kNoError;
      }
    }
    received = block_.Take(buffer, count);
    return kNoError;
  }

  int PortWrite(const char* data, size_t count) override {
    if (!WaitForLines(handle_.load(), options_)) return kFileIoError;
    if (count == 0) return kNoError;
    DWORD put = 0;
    if (count > MAXDWORD) return kFileIoError;
    if (write_pending_ && !EndWrite(true)) return kFileIoError;
    if (!Transfer(handle_.load(), false, const_cast<char*>(data), static_cast<DWORD>(count), put,
                  bound_ms_) ||
        put != count) {
      NoteFailure();
      return kFileIoError;
    }
    return kNoError;
  }

  // One command write at a time is handed to the driver and left to run;
  // while it runs nothing more is taken, and one that runs past the bound is
  // cancelled (its command dropped, as a failed write).
  int PortWriteSome(const char* data, size_t count, size_t& taken) override {
    taken = 0;
    if (write_pending_ && !EndWrite(false)) return kNoError;
    if (count == 0) return kNoError;
    if (!LinesUp()) return kNoError;
    if (write_->hEvent == nullptr || count > MAXDWORD) return kFileIoError;
    write_buffer_->assign(data, count);
    ResetEvent(write_->hEvent);
    DWORD put = 0;
    if (WriteFile(handle_.load(), write_buffer_->data(), static_cast<DWORD>(count), &put, write_)) {
      taken = put;
      return kNoError;
    }
    if (GetLastError() != ERROR_IO_PENDING) {
      NoteFailure();
      return kFileIoError;
    }
    write_pending_ = true;
    write_deadline_ = GetTickCount64() + bound_ms_;
    taken = count;
    return kNoError;
  }

  // An event that turns signalled when a byte arrives; nullptr when bytes
  // are already here or the device cannot say. A wait that is still pending
  // from an earlier call stays armed.
  HANDLE ReceiveEvent() {
    if (receive_ == nullptr || receive_->hEvent == nullptr || !block_.empty()) return nullptr;
    if (receive_pending_) return receive_->hEvent;
    ResetEvent(receive_->hEvent);
    if (WaitCommEvent(handle_.load(), &receive_->mask, receive_)) {
      NoteMask();
      return nullptr;
    }
    if (GetLastError() != ERROR_IO_PENDING) return nullptr;
    receive_pending_ = true;
    return receive_->hEvent;
  }

  // The pending wait has ended (its event is signalled).
  void ReceiveEventSeen() {
    DWORD ignored = 0;
    if (!receive_pending_) return;
    receive_pending_ = false;
    // A wait that failed tells no more than one that ended without a byte.
    if (!GetOverlappedResult(handle_.load(), receive_, &ignored, FALSE)) receive_->mask = 0;
    NoteMask();
  }

  int Close() override {
    HANDLE handle = handle_.exchange(INVALID_HANDLE_VALUE);
    if (handle == INVALID_HANDLE_VALUE) return kNoError;
    if (receive_pending_) {
      // A new mask ends the pending wait on most drivers; the cancel on the
      // rest. Its record must outlive it.
      SetCommMask(handle, 0);
      CancelIoEx(handle, receive_);
      receive_pending_ = false;
      if (WaitForSingleObject(receive_->hEvent, kCancelWaitMs) != WAIT_OBJECT_0) {
        receive_ = nullptr;  // left to the driver
      }
    }
    if (write_pending_) {
      CancelIoEx(handle, write_);
      write_pending_ = false;
      if (WaitForSingleObject(write_->hEvent, kCancelWaitMs) != WAIT_OBJECT_0) {
        write_ = nullptr;  // left to the driver, with its buffer
        write_buffer_ = nullptr;
      }
    }
    CloseHandle(handle);
    Free(receive_);
    Free(write_);
    delete write_buffer_;
    write_buffer_ = nullptr;
    return kNoError;
  }

  void EmergencyClose() override { Close(); }

 private:
  bool Fetch(DWORD waiting) {
    DWORD got = 0;
    if (!Transfer(handle_.load(), true, block_.space(), std::min(waiting, kBlockSize), got,
                  bound_ms_) ||
        got == 0) {
      return false;
    }
    block_.Filled(got);
    return true;
  }

  // Ends the command write in progress: at once when `cancel`, else only
  // once past its bound. True when none is in progress any more.
  bool EndWrite(bool cancel) {
    DWORD put = 0;
    if (GetOverlappedResult(handle_.load(), write_, &put, FALSE)) {
      write_pending_ = false;
      return true;
    }
    if (GetLastError() != ERROR_IO_INCOMPLETE) {
      NoteFailure();
      write_pending_ = false;
      return true;
    }
    if (!cancel && GetTickCount64() < write_deadline_) return false;
    bool abandoned = false;
    FinishTransfer(handle_.load(), *write_, 0, put, abandoned);
    if (abandoned) return false;
    write_pending_ = false;
    return true;
  }

  // The lines a write waits for, looked at once: a device that is not
  // ready takes nothing yet.
  bool LinesUp() {
    if (options_.CdMs == 0 && options_.DsrMs == 0) return true;
    uint32_t lines = 0;
    if (!ReadModemLines(handle_.load(), lines)) return false;
    if (options_.CdMs != 0 && (lines & kModemCarrierDetect) == 0) return false;
    return options_.DsrMs == 0 || (lines & kModemDataSetReady) != 0;
  }

  template <typename Record>
  static void Free(Record*& overlapped) {
    if (overlapped == nullptr) return;
    if (overlapped->hEvent != nullptr) CloseHandle(overlapped->hEvent);
    delete overlapped;
    overlapped = nullptr;
  }

  std::atomic<HANDLE> handle_;
  PortOptions options_;
  DWORD bound_ms_;
  ReceiveBlock block_;
  bool PortLost() override { return lost_; }

  // A device whose wait ends without a received byte (a pseudo-terminal
  // under Wine) would turn the idle wait into a spin: it is polled instead.
  void NoteMask() {
    if ((receive_->mask & EV_RXCHAR) != 0) return;
    SetCommMask(handle_.load(), 0);
    CloseHandle(receive_->hEvent);
    receive_->hEvent = nullptr;
  }

  void NoteFailure() {
    if (GoneError(GetLastError())) lost_ = true;
  }

  bool lost_ = false;
  // Records of transfers that may outlive a close: freed only once ended.
  // The mask a pending wait writes lives in its record, not in the port.
  struct ReceiveRecord : OVERLAPPED {
    DWORD mask = 0;
  };
  ReceiveRecord* receive_;
  OVERLAPPED* write_;
  std::string* write_buffer_ = new std::string;
  bool write_pending_ = false;
  ULONGLONG write_deadline_ = 0;
  bool receive_pending_ = false;
};

// Buffer sizes, time-outs, line settings and DTR, in that order; the first
// failure ends the steps (8 cannot read, 1 cannot set).
int Configure(HANDLE port, const PortOptions& options) {
  COMMPROP properties{};
  if (!GetCommProperties(port, &properties)) return kNoPrivileges;
  DWORD tx = QueueSize(options.TxBuffer, properties.dwCurrentTxQueue, properties.dwMaxTxQueue);
  DWORD rx = QueueSize(options.RxBuffer, properties.dwCurrentRxQueue, properties.dwMaxRxQueue);
  if (!SetupComm(port, rx, tx)) return kIllegalFunctionCall;

  COMMTIMEOUTS timeouts{};
  if (!GetCommTimeouts(port, &timeouts)) return kNoPrivileges;
  ApplyTimeouts(options, timeouts);
  if (!SetCommTimeouts(port, &timeouts)) return kIllegalFunctionCall;

  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(port, &dcb)) return kNoPrivileges;
  ApplyLineSettings(options, dcb);
  if (!SetCommState(port, &dcb)) return kIllegalFunctionCall;
  // A device without modem lines refuses this; that is no error.
  EscapeCommFunction(port, SETDTR);
  return kNoError;
}

}  // namespace

int OpenSerial(int number, std::string_view port_string) {
  PortOptions options;
  if (CheckPortToOpen(number, port_string, options) != kNoError) {
    return SetLastError(kIllegalFunctionCall);
  }

  std::string path = ComDevicePath(options.PortNumber);
  HANDLE port =
      CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (port == INVALID_HANDLE_VALUE) return SetLastError(kFileNotFound);

  int result = Configure(port, options);
  // The wait runs even after a failed configuration, and its failure wins.
  if (!WaitForLines(port, options)) result = kIllegalFunctionCall;
  if (result != kNoError) {
    CloseHandle(port);
    return SetLastError(result);
  }
  return InstallChannel(number, std::make_unique<DevicePort>(port, options));
}

HANDLE PortReceiveEvent(int number) {
  auto* port = dynamic_cast<DevicePort*>(ChannelAt(number));
  return port != nullptr ? port->ReceiveEvent() : nullptr;
}

void PortReceiveEventSeen(int number) {
  auto* port = dynamic_cast<DevicePort*>(ChannelAt(number));
  if (port != nullptr) port->ReceiveEventSeen();
}

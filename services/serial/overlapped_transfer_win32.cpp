#include <windows.h>

#include <cstring>
#include <vector>

#include "services/serial/serial_port_win32.hpp"

bool FinishTransfer(HANDLE port, OVERLAPPED& overlapped, DWORD limit_ms, DWORD& moved,
                    bool& abandoned) {
  abandoned = false;
  moved = 0;
  if (WaitForSingleObject(overlapped.hEvent, limit_ms) != WAIT_OBJECT_0) {
    CancelIoEx(port, &overlapped);
    if (WaitForSingleObject(overlapped.hEvent, kCancelWaitMs) != WAIT_OBJECT_0) {
      abandoned = true;
      ::SetLastError(static_cast<DWORD>(ERROR_OPERATION_ABORTED));
      return false;
    }
  }
  return GetOverlappedResult(port, &overlapped, &moved, FALSE) != FALSE;
}

namespace {

// An OVERLAPPED with the bytes its transfer moves: one that not even a
// cancel ends may still complete into them, so both are left to the driver
// together, never the caller's buffer.
struct TransferRecord : OVERLAPPED {
  std::vector<char> bytes;
};

}  // namespace

// The handle is opened for overlapped I/O so that an idle caller can wait
// for a received byte beside the console; a transfer made here waits for
// its end, at most `limit_ms`.
bool Transfer(HANDLE port, bool read, void* buffer, DWORD count, DWORD& moved, DWORD limit_ms) {
  auto* record = new TransferRecord{};
  record->hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (record->hEvent == nullptr) {
    delete record;
    return false;
  }
  record->bytes.resize(count);
  if (!read && count > 0) std::memcpy(record->bytes.data(), buffer, count);
  moved = 0;
  BOOL done = read ? ReadFile(port, record->bytes.data(), count, &moved, record)
                   : WriteFile(port, record->bytes.data(), count, &moved, record);
  bool abandoned = false;
  if (!done && GetLastError() == ERROR_IO_PENDING) {
    done = FinishTransfer(port, *record, limit_ms, moved, abandoned);
  }
  DWORD error = GetLastError();
  if (done && read && moved > 0) std::memcpy(buffer, record->bytes.data(), moved);
  if (!abandoned) {
    CloseHandle(record->hEvent);
    delete record;
  }
  SetLastError(error);
  return done != FALSE;
}

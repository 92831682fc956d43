#include <windows.h>

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

// The handle is opened for overlapped I/O so that an idle caller can wait
// for a received byte beside the console; a transfer made here waits for
// its end, at most `limit_ms`.
bool Transfer(HANDLE port, bool read, void* buffer, DWORD count, DWORD& moved, DWORD limit_ms) {
  auto* overlapped = new OVERLAPPED{};
  overlapped->hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (overlapped->hEvent == nullptr) {
    delete overlapped;
    return false;
  }
  moved = 0;
  BOOL done = read ? ReadFile(port, buffer, count, &moved, overlapped)
                   : WriteFile(port, buffer, count, &moved, overlapped);
  bool abandoned = false;
  if (!done && GetLastError() == ERROR_IO_PENDING) {
    done = FinishTransfer(port, *overlapped, limit_ms, moved, abandoned);
  }
  DWORD error = GetLastError();
  if (!abandoned) {
    CloseHandle(overlapped->hEvent);
    delete overlapped;
  }
  SetLastError(error);
  return done != FALSE;
}

#pragma once
// Writing every byte to a C runtime descriptor or a handle, shared by the
// Windows files and console.
#include <io.h>
#include <windows.h>

#include <cstddef>
#include <string_view>

// False when not every byte could be written. `done`, when given, counts the
// bytes written.
inline bool WriteAll(int fd, const char* data, size_t size, size_t* done = nullptr) {
  while (size > 0) {
    unsigned chunk = size > 0x40000000u ? 0x40000000u : static_cast<unsigned>(size);
    int written = _write(fd, data, chunk);
    if (written <= 0) return false;
    data += written;
    size -= static_cast<size_t>(written);
    if (done != nullptr) *done += static_cast<size_t>(written);
  }
  return true;
}

// False when not every byte could be written (a closed pipe, no console).
inline bool WriteAllToHandle(HANDLE out, std::string_view bytes) {
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return false;
  while (!bytes.empty()) {
    DWORD written = 0;
    DWORD chunk = bytes.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size());
    if (!WriteFile(out, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

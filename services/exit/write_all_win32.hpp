#pragma once
// Writing every byte to a C runtime descriptor, shared by the Windows files.
#include <io.h>

#include <cstddef>

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

#pragma once
// Writing every byte to a descriptor, shared by the platform files. Only
// write(2) is called, so signal handlers may use it too.
#include <unistd.h>

#include <cerrno>
#include <cstddef>

// False when not every byte could be written (an error, or a descriptor that
// takes nothing); a non-blocking descriptor that is full fails rather than
// waits. `done`, when given, counts the bytes written.
inline bool WriteAll(int fd, const char* data, size_t size, size_t* done = nullptr) {
  while (size > 0) {
    ssize_t written = write(fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<size_t>(written);
    if (done != nullptr) *done += static_cast<size_t>(written);
  }
  return true;
}

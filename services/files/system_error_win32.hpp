#pragma once
// The C runtime's errno for a Windows error, so callers that report
// std::strerror(errno) say the same on both platforms.
#include <windows.h>

#include <cerrno>

inline int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return EACCES;
    default:
      return EIO;
  }
}

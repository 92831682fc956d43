#include <windows.h>

#include <string>

#include "services/process/program_path.hpp"

// The module's own file name is a full path even when the program was
// started by a bare name through PATH.
std::string RealProgramPath(const std::string& started_as) {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return started_as;
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 32768) return started_as;
    path.resize(path.size() * 2);
  }
}

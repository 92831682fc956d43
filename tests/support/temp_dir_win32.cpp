#include <windows.h>

#include <atomic>
#include <stdexcept>
#include <string>

#include "tests/support/temp_dir.hpp"

std::string NewTempDirectory() {
  static std::atomic<unsigned> counter{0};
  char base[MAX_PATH + 1];
  DWORD length = GetTempPathA(sizeof base, base);
  if (length == 0 || length > MAX_PATH) throw std::runtime_error("no temporary directory");
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string path = std::string(base, length) + "brenmark-test-" +
                       std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
    if (CreateDirectoryA(path.c_str(), nullptr)) return path;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  throw std::runtime_error("cannot create a temporary directory");
}

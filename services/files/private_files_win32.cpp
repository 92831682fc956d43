#include <windows.h>

#include <cstdlib>
#include <string>

#include "services/files/private_files.hpp"

namespace {

// The lock covers bytes far past the holder's process number, which stays
// readable at the file's start.
constexpr DWORD kLockedAt = 1u << 30;

class RangeLock final : public FileLock {
 public:
  explicit RangeLock(HANDLE file) : file_(file) {}
  ~RangeLock() override { CloseHandle(file_); }

 private:
  HANDLE file_;
};

}  // namespace

std::unique_ptr<FileLock> LockFile(const std::string& name, std::string& holder,
                                   std::string& error) {
  holder.clear();
  HANDLE file = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = "error " + std::to_string(GetLastError());
    return nullptr;
  }
  OVERLAPPED at = {};
  at.Offset = kLockedAt;
  if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    std::string pid = std::to_string(GetCurrentProcessId()) + "\r\n";
    DWORD written = 0;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    WriteFile(file, pid.data(), static_cast<DWORD>(pid.size()), &written, nullptr);
    SetEndOfFile(file);
    return std::make_unique<RangeLock>(file);
  }
  char text[32] = {};
  DWORD got = 0;
  if (ReadFile(file, text, sizeof text - 1, &got, nullptr) && got > 0) {
    unsigned long pid = std::strtoul(text, nullptr, 10);
    if (pid > 0) holder = "process " + std::to_string(pid);
  }
  CloseHandle(file);
  return nullptr;
}

bool SyncFolderOf(const std::string&) {
  // NTFS journals the rename itself.
  return true;
}

bool ReadableByOthers(const std::string&) {
  // Access lists, not mode bits: nothing simple to say.
  return false;
}

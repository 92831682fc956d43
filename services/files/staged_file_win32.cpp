#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <string>

#include "services/exit/wide_text_win32.hpp"
#include "services/files/staged_file.hpp"
#include "services/files/system_error_win32.hpp"

namespace {

// Room for the leading dot and the tail within a name's 255 characters.
constexpr size_t kLongestBase = 200;

int Descriptor(HANDLE file) {
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
  if (fd < 0) CloseHandle(file);
  return fd;
}

}  // namespace

bool MoveIntoPlace(const std::string& from, const std::string& to) {
  // In one step, and through to the disk before it returns. Paths in UTF-16:
  // the C runtime's rename reads them in another code page.
  if (MoveFileExW(WideText(from).c_str(), WideText(to).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  errno = ErrnoOf(GetLastError());
  return false;
}

StagedFile::~StagedFile() {
  if (fd_ >= 0) _close(fd_);
  if (!temporary_.empty()) DeleteFileW(WideText(temporary_).c_str());
}

bool StagedFile::Begin(const std::string& name) {
  target_ = name;
  std::wstring wide = WideText(name);
  DWORD attributes = GetFileAttributesW(wide.c_str());
  bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if (exists) {
    // Asked as its writer would be, without changing it.
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    if (GetFileType(file) != FILE_TYPE_DISK) {
      fd_ = Descriptor(file);  // a device is written directly
      return fd_ >= 0;
    }
    CloseHandle(file);
  }
  size_t slash = target_.find_last_of("\\/");
  std::string folder = slash == std::string::npos ? "" : target_.substr(0, slash + 1);
  std::string base = target_.substr(slash == std::string::npos ? 0 : slash + 1, kLongestBase);
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    std::string temporary = folder + "." + base + "." +
                            std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt);
    HANDLE file = CreateFileW(WideText(temporary).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      return false;
    }
    fd_ = Descriptor(file);
    if (fd_ < 0) {
      DeleteFileW(WideText(temporary).c_str());
      return false;
    }
    temporary_ = temporary;
    return true;
  }
  return false;
}

int64_t StagedFile::Size() const {
  // A device written directly has no size.
  if (fd_ < 0 || temporary_.empty()) return -1;
  return _filelengthi64(fd_);
}

bool StagedFile::Commit() {
  if (fd_ < 0) return false;
  bool done = temporary_.empty() || _commit(fd_) == 0;
  done = _close(fd_) == 0 && done;
  fd_ = -1;
  if (temporary_.empty()) return done;
  if (done && !MoveIntoPlace(temporary_, target_)) done = false;
  if (!done) DeleteFileW(WideText(temporary_).c_str());
  temporary_.clear();
  return done;
}

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <string>

#include "services/files/staged_file.hpp"

StagedFile::~StagedFile() {
  if (fd_ >= 0) _close(fd_);
  if (!temporary_.empty()) DeleteFileA(temporary_.c_str());
}

bool StagedFile::Begin(const std::string& name) {
  target_ = name;
  DWORD attributes = GetFileAttributesA(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
    return false;
  }
  size_t slash = name.find_last_of("/\\");
  std::string folder = slash == std::string::npos ? "" : name.substr(0, slash + 1);
  std::string base = name.substr(slash == std::string::npos ? 0 : slash + 1);
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    std::string temporary = folder + "~" + base + "." + std::to_string(GetCurrentProcessId()) +
                            "-" + std::to_string(GetTickCount() + attempt) + ".tmp";
    fd_ = _open(temporary.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                _S_IREAD | _S_IWRITE);
    if (fd_ >= 0) {
      temporary_ = temporary;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

int64_t StagedFile::Size() const {
  if (fd_ < 0) return -1;
  return _lseeki64(fd_, 0, SEEK_END);
}

bool StagedFile::Commit() {
  if (fd_ < 0) return false;
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd_));
  bool done = handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle);
  done = _close(fd_) == 0 && done;
  fd_ = -1;
  if (done && !MoveFileExA(temporary_.c_str(), target_.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    done = false;
  }
  if (!done) DeleteFileA(temporary_.c_str());
  temporary_.clear();
  return done;
}

#include <errno.h>
#include <process.h>
#include <windows.h>

#include <cstdio>

#include "services/error_numbers.hpp"
#include "services/files.hpp"
#include "services/program_start.hpp"
#include "services/runtime_error.hpp"

namespace {

constexpr DWORD kShortPathLength = 260;

bool FileIdentity(const std::string& name, BY_HANDLE_FILE_INFORMATION& info) {
  HANDLE file = CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = GetFileInformationByHandle(file, &info) != 0;
  CloseHandle(file);
  return ok;
}

}  // namespace

int DeleteFileNamed(std::string_view name) {
  if (name.empty()) return SetLastError(kNoError);
  if (std::remove(NativeFileName(name).c_str()) == 0) return SetLastError(kNoError);
  return SetLastError(DeleteErrorNumber(errno));
}

bool SameFile(std::string_view first, std::string_view second) {
  if (first.empty() || second.empty()) return false;
  BY_HANDLE_FILE_INFORMATION a, b;
  if (!FileIdentity(NativeFileName(first), a) || !FileIdentity(NativeFileName(second), b)) {
    return false;
  }
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// The new program's command line is the arguments joined by blanks: a path
// with blanks goes by its short form, and the file name is quoted so that
// it stays one word.
int StartProgram(std::string_view path, const std::string&, const std::string& argument) {
  std::string run = NativeFileName(path);
  if (run.find(' ') != std::string::npos) {
    char shorter[kShortPathLength];
    DWORD length = GetShortPathNameA(run.c_str(), shorter, kShortPathLength);
    if (length > 0 && length < kShortPathLength) run.assign(shorter, length);
  }
  std::string quoted = "\"" + argument + "\"";
  std::fflush(nullptr);
  RunExitCleanups();
  _execl(run.c_str(), run.c_str(), quoted.c_str(), static_cast<char*>(nullptr));
  return -1;
}

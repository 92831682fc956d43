#include <errno.h>
#include <process.h>
#include <windows.h>

#include <cstdio>

#include "services/exit/error_numbers.hpp"
#include "services/exit/runtime_error.hpp"
#include "services/files/files.hpp"
#include "services/process/argument_quoting.hpp"
#include "services/process/program_start.hpp"

namespace {

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

// The C runtime joins the arguments by blanks as they are, so each is quoted
// here: a path with blanks (short names are often switched off) or an odd
// file name still reaches the program as one argument, the file first.
int StartProgram(std::string_view path, const std::string&, const std::string& argument) {
  std::string run = NativeFileName(path);
  std::string program = QuotedArgument(run);
  std::string file = QuotedArgument(argument);
  std::fflush(nullptr);
  // Among them the error mode that hides fault dialogs goes back to what
  // this program was given, so the new one does not inherit it.
  RunExitCleanups();
  _execl(run.c_str(), program.c_str(), file.c_str(), static_cast<char*>(nullptr));
  return -1;
}

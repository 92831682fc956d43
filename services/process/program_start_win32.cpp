#include <errno.h>
#include <windows.h>

#include <cstdio>

#include "services/exit/error_numbers.hpp"
#include "services/exit/runtime_error.hpp"
#include "services/exit/wide_text_win32.hpp"
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

namespace {

// The caller's own end is the program's: cmd waits for it and shows its
// exit code, and a Ctrl+C at the console is the program's alone.
BOOL WINAPI LeaveControlToProgram(DWORD) {
  return TRUE;
}

}  // namespace

// Windows has no exec: the program is started, waited for, and its exit
// code ends this process, so cmd shows its prompt only when the program has
// ended (the C runtime's _execl ends this process with 0 at once, and both
// then read the console). Each argument is quoted: a path with blanks or an
// odd file name still reaches the program as one argument, the file first.
int StartProgram(std::string_view path, const std::string&, const std::string& argument) {
  std::wstring run = WideText(NativeFileName(path));
  std::wstring line = WideText(QuotedArgument(NativeFileName(path)) + " " + QuotedArgument(argument));
  std::fflush(nullptr);
  // Among them the error mode that hides fault dialogs goes back to what
  // this program was given, so the new one does not inherit it.
  RunExitCleanups();
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created = {};
  if (!CreateProcessW(run.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &created)) {
    return -1;
  }
  SetConsoleCtrlHandler(LeaveControlToProgram, TRUE);
  CloseHandle(created.hThread);
  WaitForSingleObject(created.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(created.hProcess, &code);
  ExitProcess(code);
}

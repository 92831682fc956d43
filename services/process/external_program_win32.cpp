#include <io.h>
#include <windows.h>

#include "services/process/argument_quoting.hpp"
#include "services/process/external_program.hpp"

namespace {

// The handle behind a C runtime descriptor, made inheritable for the child;
// our own standard handle for -1.
HANDLE ChildHandle(int descriptor, DWORD standard) {
  HANDLE handle = descriptor >= 0 ? reinterpret_cast<HANDLE>(_get_osfhandle(descriptor))
                                  : GetStdHandle(standard);
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return nullptr;
  SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  return handle;
}

}  // namespace

ExternalRun RunWithInput(const std::vector<std::string>& argv, std::string_view input, int output,
                         int error_output) {
  ExternalRun run;
  if (argv.empty()) return run;
  std::string line;
  for (const std::string& argument : argv) {
    if (!line.empty()) line += ' ';
    line += QuotedArgument(argument);
  }
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return run;
  // Only the child's end is inherited.
  SetHandleInformation(write_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = read_end;
  startup.hStdOutput = ChildHandle(output, STD_OUTPUT_HANDLE);
  startup.hStdError = ChildHandle(error_output, STD_ERROR_HANDLE);
  PROCESS_INFORMATION created = {};
  BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                nullptr, nullptr, &startup, &created);
  CloseHandle(read_end);
  if (!started) {
    CloseHandle(write_end);
    return run;
  }
  run.started = true;
  CloseHandle(created.hThread);
  run.input_taken = true;
  const char* data = input.data();
  size_t left = input.size();
  while (left > 0) {
    DWORD part = left > (1u << 20) ? (1u << 20) : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!WriteFile(write_end, data, part, &written, nullptr) || written == 0) {
      run.input_taken = false;
      break;
    }
    data += written;
    left -= written;
  }
  CloseHandle(write_end);
  WaitForSingleObject(created.hProcess, INFINITE);
  DWORD status = 0;
  if (GetExitCodeProcess(created.hProcess, &status)) run.status = static_cast<int>(status);
  CloseHandle(created.hProcess);
  return run;
}

bool TerminalSize(int& columns, int& lines) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return false;
  columns = info.srWindow.Right - info.srWindow.Left + 1;
  lines = info.srWindow.Bottom - info.srWindow.Top + 1;
  return columns > 0 && lines > 0;
}

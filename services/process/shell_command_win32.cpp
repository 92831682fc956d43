#include <windows.h>

#include <cstring>

#include "services/process/shell_command.hpp"

namespace {

class CreatedCommand : public ShellCommand {
 public:
  CreatedCommand(HANDLE process, HANDLE job) : process_(process), job_(job) {}
  ~CreatedCommand() override {
    int status;
    if (!Ended(status)) End();
    CloseHandle(process_);
    if (job_) CloseHandle(job_);
  }

  bool Ended(int& status) override {
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    status = GetExitCodeProcess(process_, &code) ? static_cast<int>(code) : -1;
    return true;
  }

  void End() override {
    // The job holds cmd.exe and everything it started.
    if (!job_ || !TerminateJobObject(job_, 1)) TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
  }

 private:
  HANDLE process_;
  HANDLE job_;
};

bool SameName(const char* entry, const std::string& name) {
  return _strnicmp(entry, name.c_str(), name.size()) == 0 && entry[name.size()] == '=';
}

// This process's environment with the variables set: "NAME=value" strings,
// each ended by a zero byte, the block by another.
std::string EnvironmentBlock(const EnvironmentVariables& variables) {
  std::string block;
  char* strings = GetEnvironmentStringsA();
  for (const char* at = strings; at && *at; at += std::strlen(at) + 1) {
    bool replaced = false;
    for (const auto& [name, value] : variables) replaced = replaced || SameName(at, name);
    if (!replaced) block.append(at).push_back('\0');
  }
  if (strings) FreeEnvironmentStringsA(strings);
  for (const auto& [name, value] : variables) block.append(name + "=" + value).push_back('\0');
  block.push_back('\0');
  return block;
}

}  // namespace

std::unique_ptr<ShellCommand> StartShellCommand(const std::string& command,
                                                const EnvironmentVariables& variables,
                                                std::string& error) {
  // With /s cmd.exe takes off only the quotes put around the command here,
  // so a command that begins with a quoted program path keeps its quotes.
  std::string line = "cmd.exe /s /c \"" + command + "\"";
  std::string environment = EnvironmentBlock(variables);
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE null_input = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                  OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = null_input;
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION created = {};
  BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE,
                                CREATE_SUSPENDED | CREATE_NEW_PROCESS_GROUP, environment.data(),
                                nullptr, &startup, &created);
  DWORD failure = GetLastError();
  if (null_input != INVALID_HANDLE_VALUE) CloseHandle(null_input);
  if (!started) {
    error = "cannot start cmd.exe (system error " + std::to_string(failure) + ")";
    return nullptr;
  }
  HANDLE job = CreateJobObjectA(nullptr, nullptr);
  if (job && !AssignProcessToJobObject(job, created.hProcess)) {
    CloseHandle(job);
    job = nullptr;
  }
  ResumeThread(created.hThread);
  CloseHandle(created.hThread);
  return std::make_unique<CreatedCommand>(created.hProcess, job);
}

#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "services/exit/wide_text_win32.hpp"
#include "services/process/shell_command.hpp"

namespace {

class CreatedCommand : public ShellCommand {
 public:
  CreatedCommand(HANDLE process, HANDLE job) : process_(process), job_(job) {}
  ~CreatedCommand() override {
    int status;
    if (!Ended(status)) End();
    CloseHandle(process_);
    // Kill-on-close: what the command left running ends with it.
    if (job_) CloseHandle(job_);
  }

  bool Ended(int& status) override {
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    // Status codes such as 0xC0000005 come out negative; the caller prints
    // them unsigned.
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

bool SameName(const wchar_t* entry, const std::wstring& name) {
  return _wcsnicmp(entry, name.c_str(), name.size()) == 0 && entry[name.size()] == L'=';
}

// This process's environment with the variables set, in UTF-16 so that no
// value passes through a code page: "NAME=value" strings, each ended by a
// zero, the block by another.
std::wstring EnvironmentBlock(const EnvironmentVariables& variables) {
  std::vector<std::wstring> names;
  for (const auto& [name, value] : variables) names.push_back(WideText(name));
  std::wstring block;
  wchar_t* strings = GetEnvironmentStringsW();
  for (const wchar_t* at = strings; at && *at; at += std::wcslen(at) + 1) {
    bool replaced = false;
    for (const std::wstring& name : names) replaced = replaced || SameName(at, name);
    if (!replaced) block.append(at).push_back(L'\0');
  }
  if (strings) FreeEnvironmentStringsW(strings);
  for (const auto& [name, value] : variables) {
    block.append(WideText(name + "=" + value)).push_back(L'\0');
  }
  block.push_back(L'\0');
  return block;
}

// cmd.exe of the system folder, never one found in the current folder or the
// program's.
std::wstring SystemShell() {
  wchar_t folder[MAX_PATH];
  UINT size = GetSystemDirectoryW(folder, MAX_PATH);
  if (size == 0 || size >= MAX_PATH) return L"C:\\Windows\\System32\\cmd.exe";
  return std::wstring(folder, size) + L"\\cmd.exe";
}

HANDLE InheritableNull(DWORD access) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  return CreateFileW(L"NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                     0, nullptr);
}

// A copy of a standard handle that the child may inherit; the null device
// when there is none (a service without a console).
HANDLE InheritableCopy(DWORD which) {
  HANDLE own = GetStdHandle(which);
  HANDLE copy = nullptr;
  if (own != nullptr && own != INVALID_HANDLE_VALUE &&
      DuplicateHandle(GetCurrentProcess(), own, GetCurrentProcess(), &copy, 0, TRUE,
                      DUPLICATE_SAME_ACCESS)) {
    return copy;
  }
  return InheritableNull(GENERIC_WRITE);
}

// The three standard handles and nothing else go to the child: an open alarm
// log, state file or port must not stay locked by what a command leaves
// running.
class StandardHandles {
 public:
  StandardHandles() {
    handles_[0] = InheritableNull(GENERIC_READ);
    handles_[1] = InheritableCopy(STD_OUTPUT_HANDLE);
    handles_[2] = InheritableCopy(STD_ERROR_HANDLE);
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    list_.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list_.data());
    ready_ = Valid() && InitializeProcThreadAttributeList(list, 1, 0, &size) &&
             UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_,
                                       sizeof handles_, nullptr, nullptr);
  }
  ~StandardHandles() {
    if (ready_) DeleteProcThreadAttributeList(List());
    for (HANDLE handle : handles_) {
      if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
  }
  StandardHandles(const StandardHandles&) = delete;
  StandardHandles& operator=(const StandardHandles&) = delete;

  bool ready() const { return ready_; }
  LPPROC_THREAD_ATTRIBUTE_LIST List() {
    return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list_.data());
  }
  HANDLE operator[](int i) const { return handles_[i]; }

 private:
  bool Valid() const {
    for (HANDLE handle : handles_) {
      if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    }
    return true;
  }
  HANDLE handles_[3] = {};
  std::vector<unsigned char> list_;
  bool ready_ = false;
};

// A job that ends everything in it when its last handle closes: when the
// command is ended or done, and when brenwatch ends in any way, also by
// taskkill /F or a crash.
HANDLE KillOnCloseJob() {
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (job == nullptr) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    CloseHandle(job);
    return nullptr;
  }
  return job;
}

}  // namespace

std::unique_ptr<ShellCommand> StartShellCommand(const std::string& command,
                                                const EnvironmentVariables& variables,
                                                std::string& error) {
  // /v:on: !VAR! is expanded after the line is parsed, so a value holding
  // & or > stays text. With /s cmd.exe takes off only the quotes put around
  // the command here, so a command that begins with a quoted program path
  // keeps its quotes.
  std::wstring line = L"cmd.exe /v:on /s /c \"" + WideText(command) + L"\"";
  std::wstring shell = SystemShell();
  std::wstring environment = EnvironmentBlock(variables);
  StandardHandles standard;
  if (!standard.ready()) {
    error = "cannot pass the standard handles to cmd.exe (system error " +
            std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  STARTUPINFOEXW startup = {};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = standard[0];
  startup.StartupInfo.hStdOutput = standard[1];
  startup.StartupInfo.hStdError = standard[2];
  startup.lpAttributeList = standard.List();
  PROCESS_INFORMATION created = {};
  BOOL started = CreateProcessW(
      shell.c_str(), line.data(), nullptr, nullptr, TRUE,
      CREATE_SUSPENDED | CREATE_NEW_PROCESS_GROUP | CREATE_UNICODE_ENVIRONMENT |
          EXTENDED_STARTUPINFO_PRESENT,
      environment.data(), nullptr, &startup.StartupInfo, &created);
  if (!started) {
    error = "cannot start cmd.exe (system error " + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  HANDLE job = KillOnCloseJob();
  if (job && !AssignProcessToJobObject(job, created.hProcess)) {
    CloseHandle(job);
    job = nullptr;
  }
  ResumeThread(created.hThread);
  CloseHandle(created.hThread);
  return std::make_unique<CreatedCommand>(created.hProcess, job);
}

#include <windows.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdio>

#include "services/exit/loop_requests_win32.hpp"
#include "services/exit/runtime_error.hpp"

namespace {

// A console that does not take output must not keep the report back.
constexpr int kReportDrainMs = 2000;

// Set by the first way out; a second one waits for it instead of running
// the cleanups again.
std::atomic<int> ending_with{0};

// Ctrl+C arrives on a thread of the system's own. A program whose loop
// answers is asked to end the run itself; otherwise, or when the loop does
// not answer in time, the program's thread is held while its files are
// closed, as a signal would hold it, and should it hold a lock the cleanup
// needs, the watchdog still ends the process.
HANDLE program_thread = nullptr;
DWORD program_thread_id = 0;
constexpr DWORD kCleanupLimitMs = 3000;
constexpr DWORD kAnswerSliceMs = 50;

std::atomic<bool> loop_answers{false};
std::atomic<bool> control_event_seen{false};
std::atomic<int> requested_ending{0};
HANDLE wake_event = CreateEventA(nullptr, FALSE, FALSE, nullptr);

LPTOP_LEVEL_EXCEPTION_FILTER previous_filter = nullptr;
UINT inherited_error_mode = 0;

// A started program gets the error mode this one was given.
void RestoreErrorMode() {
  SetErrorMode(inherited_error_mode);
}

DWORD WINAPI Watchdog(void* number) {
  Sleep(kCleanupLimitMs);
  ExitProcess(static_cast<UINT>(reinterpret_cast<uintptr_t>(number)));
}

void HoldProgramThread(int number) {
  if (program_thread == nullptr || GetCurrentThreadId() == program_thread_id) return;
  SuspendThread(program_thread);
  HANDLE watchdog = CreateThread(
      nullptr, 0, Watchdog, reinterpret_cast<void*>(static_cast<uintptr_t>(number)), 0, nullptr);
  if (watchdog != nullptr) CloseHandle(watchdog);
}

void WriteReport(int number, int line) {
  char report[kRuntimeErrorReportLimit];
  size_t size = FormatRuntimeErrorReport(report, sizeof report, number, line, CurrentModule(),
                                         CurrentRoutine());
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  const char* data = report;
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(err, data, static_cast<DWORD>(size), &written, nullptr) || written == 0) break;
    data += written;
    size -= written;
  }
}

[[noreturn]] void EndWith(int number) {
  int expected = 0;
  if (!ending_with.compare_exchange_strong(expected, number)) {
    // Another thread is making its report; it ends the process.
    for (;;) Sleep(INFINITE);
  }
  HoldProgramThread(number);
  EmergencyCloseFilesForEnding();
  RunExitCleanups();
  WriteReport(number, -1);
  ExitProcess(static_cast<UINT>(number));
}

void OnSignal(int signal_number) {
  switch (signal_number) {
    case SIGILL:
      EndWith(10);
    case SIGFPE:
      EndWith(11);
    case SIGSEGV:
      EndWith(12);
    case SIGTERM:
      EndWith(13);
    case SIGABRT:
      EndWith(14);
    default:
      EndWith(1);
  }
}

// Processor faults nobody handled: access violations and stack overflows
// are segmentation violations, arithmetic faults floating-point errors.
// Last chance only: system code and injected libraries raise and handle
// faults of their own. The report runs on this thread's stack, which a stack
// overflow has left with its guarantee to spare.
LONG WINAPI OnException(EXCEPTION_POINTERS* info) {
  switch (info->ExceptionRecord->ExceptionCode) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_STACK_OVERFLOW:
      EndWith(12);
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
      EndWith(11);
    case EXCEPTION_ILLEGAL_INSTRUCTION:
      EndWith(10);
    default:
      return previous_filter != nullptr ? previous_filter(info) : EXCEPTION_CONTINUE_SEARCH;
  }
}

// Ctrl+C is the interrupt; a log-off is ignored (a service wrapper's process
// gets it for every user's log-off); Ctrl+Break and the rest are left to
// others.
BOOL WINAPI OnControl(DWORD event) {
  if (event == CTRL_LOGOFF_EVENT) return TRUE;
  if (event != CTRL_C_EVENT) return FALSE;
  NoteControlEvent();
  if (AskLoopToEnd(9)) {
    for (DWORD waited = 0; waited < kCleanupLimitMs; waited += kAnswerSliceMs) {
      Sleep(kAnswerSliceMs);
      // The loop is ending the run; the process ends with it.
      if (ending_with.load() != 0) {
        for (;;) Sleep(INFINITE);
      }
    }
  }
  EndWith(9);
}

}  // namespace

void NoteControlEvent() {
  control_event_seen = true;
}

bool ControlEventSeen() {
  return control_event_seen.load();
}

HANDLE LoopWakeEvent() {
  return wake_event;
}

bool AskLoopToEnd(int number) {
  if (!loop_answers.load()) return false;
  int expected = 0;
  requested_ending.compare_exchange_strong(expected, number);
  if (wake_event != nullptr) SetEvent(wake_event);
  return true;
}

void AnswerInterrupt() {
  loop_answers = true;
  int number = requested_ending.load();
  if (number != 0) RaiseRuntimeError(number, -1);
}

void RaiseRuntimeError(int number, int line) {
  int expected = 0;
  if (!ending_with.compare_exchange_strong(expected, number == 0 ? 1 : number)) {
    for (;;) Sleep(INFINITE);
  }
  CloseFilesForEnding();
  // The lines before the report come before it.
  FinishConsoleForEnding(kReportDrainMs);
  RunExitCleanups();
  std::fflush(nullptr);
  WriteReport(number, line);
  ExitProcess(static_cast<UINT>(number));
}

void InstallSignalHandlers() {
  if (program_thread == nullptr &&
      DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &program_thread,
                      THREAD_SUSPEND_RESUME, FALSE, 0)) {
    program_thread_id = GetCurrentThreadId();
  }
  // Room for the report when the stack overflowed.
  ULONG reserve = 64 * 1024;
  SetThreadStackGuarantee(&reserve);
  previous_filter = SetUnhandledExceptionFilter(OnException);
  for (int signal_number : {SIGILL, SIGFPE, SIGSEGV, SIGTERM, SIGABRT}) {
    std::signal(signal_number, OnSignal);
  }
  SetConsoleCtrlHandler(OnControl, TRUE);
  // No error boxes: a failure ends the run with its report, unattended too.
  inherited_error_mode =
      SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  RegisterExitCleanup(RestoreErrorMode);
}

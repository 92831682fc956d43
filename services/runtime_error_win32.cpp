#include <windows.h>

#include <atomic>
#include <csignal>
#include <cstdio>

#include "services/files.hpp"
#include "services/runtime_error.hpp"

namespace {

// Set by the first way out; a second one waits for it instead of running
// the cleanups again.
std::atomic<int> ending_with{0};

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
  EmergencyCloseAllFiles();
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

// Processor faults first: access violations and stack overflows are
// segmentation violations, arithmetic faults floating-point errors. The
// report runs on this thread's stack, which a stack overflow has left with
// its guard page to spare.
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
      return EXCEPTION_CONTINUE_SEARCH;
  }
}

// Ctrl+C is the interrupt; Ctrl+Break and the rest are left to others.
BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT) return FALSE;
  EndWith(9);
}

}  // namespace

void RaiseRuntimeError(int number, int line) {
  int expected = 0;
  if (!ending_with.compare_exchange_strong(expected, number == 0 ? 1 : number)) {
    for (;;) Sleep(INFINITE);
  }
  CloseAllFiles();
  RunExitCleanups();
  std::fflush(nullptr);
  WriteReport(number, line);
  ExitProcess(static_cast<UINT>(number));
}

void InstallSignalHandlers() {
  // Room for the report when the stack overflowed.
  ULONG reserve = 64 * 1024;
  SetThreadStackGuarantee(&reserve);
  AddVectoredExceptionHandler(1, OnException);
  for (int signal_number : {SIGILL, SIGFPE, SIGSEGV, SIGTERM, SIGABRT}) {
    std::signal(signal_number, OnSignal);
  }
  SetConsoleCtrlHandler(OnControl, TRUE);
  // No error boxes: a failure ends the run with its report, unattended too.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
}

#pragma once
// The run-time error report: how a program ends on an unhandled failure or a
// signal. Every routine names itself with a RoutineScope so the report can say
// where the program was.
#include <cstddef>
#include <string>
#include <string_view>

// The exact report text (at most 1023 characters).
std::string RuntimeErrorReport(int number, int line, std::string_view module,
                               std::string_view routine);
// The same text built without allocating, for signal handlers: writes at most
// `capacity` bytes (no terminator) and returns how many. Null or empty names
// count as unknown.
size_t FormatRuntimeErrorReport(char* out, size_t capacity, int number, int line,
                                const char* module, const char* routine);
constexpr size_t kRuntimeErrorReportLimit = 1023;

// Closes every open numbered file, restores the terminal, writes the report
// for the current routine and module to standard error and ends the process
// with `number` as its status. `line` is -1 when there is no source line.
[[noreturn]] void RaiseRuntimeError(int number, int line);

// Keeps the current routine and module for the report; restores the previous
// pair when it goes out of scope. Names must outlive the scope (literals).
class RoutineScope {
 public:
  RoutineScope(const char* routine, const char* module);
  ~RoutineScope();
  RoutineScope(const RoutineScope&) = delete;
  RoutineScope& operator=(const RoutineScope&) = delete;

 private:
  const char* saved_routine_;
  const char* saved_module_;
};

const char* CurrentRoutine();
const char* CurrentModule();

// For a loop, once a pass: ends the run as the interrupt does when one
// arrived on another thread and waits for this one to end the run (Windows).
// Nothing otherwise; a POSIX signal handler ends the run itself.
void AnswerInterrupt();

// Maps SIGINT 9, SIGILL 10, SIGFPE 11, SIGSEGV/SIGBUS 12, SIGTERM/SIGHUP 13,
// SIGABRT 14, SIGQUIT 15 to the report, on an alternate stack so a stack
// overflow reports. Other signals that would end the process first run the
// cleanups, then end it by the same signal.
void InstallSignalHandlers();

// Cleanups that must run on every way out (files closed, terminal restored).
// They run in reverse order of registration, at most once, and must be safe
// to call from a signal handler.
using ExitCleanup = void (*)();
void RegisterExitCleanup(ExitCleanup cleanup);
void RunExitCleanups();

// The numbered files and the console sit above this library, so they hand it
// the steps an ending takes before the report: the orderly close of every
// file, the signal-safe one, and the drain of the console's queued lines.
// Each is a no-op until its library sets it.
void SetFileClosing(ExitCleanup close_all, ExitCleanup emergency_close_all);
void SetConsoleFinishing(void (*finish)(int ms));
void CloseFilesForEnding();
void EmergencyCloseFilesForEnding();
void FinishConsoleForEnding(int ms);

// Brenmark: one straight pass through the logger's steps.
#include "logger/functions.hpp"
#include "logger/globals.hpp"
#include "services/console/console.hpp"
#include "services/exit/runtime_error.hpp"
#include "services/files/files.hpp"
#include "services/process/program_path.hpp"

namespace {

// What the console has not taken by then is given up: the run must end.
constexpr int kConsoleDrainMs = 2000;

int EndRun(int32_t exitCode) {
  CloseAllFiles();
  FinishConsoleOutput(kConsoleDrainMs);
  RunExitCleanups();
  return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
  SetCommandLine(argc, argv);
  // Found through PATH or a link, the program still looks beside its real file.
  Arguments.ProgramPath = RealProgramPath(Arguments.ProgramPath);
  InstallSignalHandlers();
  // Logging comes first: a console that stops taking output must not stop it.
  QueueConsoleOutput();
  RoutineScope scope("", kLoggerModule);

  INITALIZEGLOBALS();
  // A step that fails has stored the run's ending in ExitCode; its 8-bit
  // result only says that it failed.
  if (READINIFILE() != 0) return EndRun(Settings.ExitCode);
  if (EVALGLOBALS() != 0) return EndRun(Settings.ExitCode);
  if (OPENCOMMUNICATIONS() != 0) return EndRun(Settings.ExitCode);
  COMMUNICATIONS();
  CLOSECOMMUNICATIONS();
  return EndRun(Settings.ExitCode);
}

// Spreads a long run over numbered log files, one switch every so many
// changes of the hour of day.
#include <string>

#include "logger/exit_codes.hpp"
#include "logger/functions.hpp"
#include "logger/globals.hpp"
#include "services/console/console.hpp"
#include "services/exit/runtime_error.hpp"
#include "services/files/files.hpp"
#include "services/text/text_forms.hpp"
#include "services/time/clock.hpp"

int8_t CHECKTIME() {
  RoutineScope scope("CHECKTIME", kLoggerModule);
  if (Settings.SwitchHrs == 0) return 0;
  LocalTime now = CurrentClock().Now();
  // Read as the time text's hour would be: 0 when local time is unknown.
  Settings.CurHour = static_cast<int8_t>(now.valid ? now.hour : 0);
  if (Settings.CurHour == Settings.LastHour) return 0;
  Settings.LastHour = Settings.CurHour;
  ++Settings.HourCount;
  if (Settings.HourCount <= Settings.SwitchHrs) return static_cast<int8_t>(Settings.ExitCode);

  int error = CloseFile(kLogFileNumber);
  if (error != 0) {
    PrintLine("***Error*** closing file during file switch: " + Settings.FileStr);
    PrintLine("Error reported was: " + IntText(error));
    Settings.ExitCode = kSwitchCloseFailed;
    // The old file stays current: the record that asked for the switch still
    // goes into it, and the closing step closes it.
    OpenFile(kLogFileNumber, Settings.FileStr, OpenMode::kAppend);
    return static_cast<int8_t>(kSwitchCloseFailed);
  }
  std::string next = BUILDFILESTR();
  error = OpenFile(kLogFileNumber, next, OpenMode::kAppend);
  if (error != 0) {
    PrintLine("***Error*** opening file during file switch: " + next);
    PrintLine("Error reported was: " + IntText(error));
    PrintLine("***ERROR*** ExitCode: 65");
    Settings.ExitCode = kSwitchOpenFailed;
    return static_cast<int8_t>(kSwitchOpenFailed);
  }
  BUILDSTATUSSTR();
  Settings.HourCount = 0;
  return static_cast<int8_t>(Settings.ExitCode);
}

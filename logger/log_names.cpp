#include <cstdio>

#include "logger/exit_codes.hpp"
#include "logger/functions.hpp"
#include "logger/globals.hpp"
#include "services/console.hpp"
#include "services/ordinary_file.hpp"
#include "services/runtime_error.hpp"

namespace {

// Once every four-digit name has been tried the numbers only repeat.
constexpr int kFileNumbersPerPattern = 10000;

std::string FourDigits(int32_t number) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d", static_cast<int>(number % 10000));
  return text;
}

}  // namespace

std::string BUILDFILESTR() {
  RoutineScope scope("BUILDFILESTR", kLoggerModule);
  SettingsRecord& s = Settings;
  if (s.LogToFile == 0) return {};
  if (s.SwitchHrs == 0) return s.FileStr;
  if (s.FileNumber == -1) {
    size_t zeros = s.FileStr.find("0000");
    if (zeros == std::string::npos) {
      s.SwitchHrs = 0;
      return s.FileStr;
    }
    s.FilePrefix = s.FileStr.substr(0, zeros);
    size_t after = s.FileStr.find_first_not_of('0', zeros);
    s.FileSuffix = after == std::string::npos ? "" : s.FileStr.substr(after);
  }
  // With every name taken the last one tried is used: records are appended.
  for (int tried = 0; tried < kFileNumbersPerPattern; ++tried) {
    ++s.FileNumber;
    s.FileStr = s.FilePrefix + FourDigits(s.FileNumber) + s.FileSuffix;
    if (!IsOrdinaryFile(s.FileStr)) break;
  }
  return s.FileStr;
}

int8_t EVALGLOBALS() {
  RoutineScope scope("EVALGLOBALS", kLoggerModule);
  SettingsRecord& s = Settings;
  if (s.PortStr.empty()) {
    PrintLine("*** FATAL ERROR ****: PortStr not found in " + s.IniFileName);
    PrintLine("***ERROR*** exit, ExitCode: 57");
    s.ExitCode = kPortStrMissing;
    return kPortStrMissing;
  }
  if (s.SwitchHrs != 0) s.FileStr = BUILDFILESTR();
  if (BUILDSTATUSSTR() != 0) PrintLine(s.StatusStr);
  return static_cast<int8_t>(s.ExitCode);
}

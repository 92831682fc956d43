#include "logger/log_names.hpp"

#include <cstdio>

#include "logger/exit_codes.hpp"
#include "logger/functions.hpp"
#include "logger/globals.hpp"
#include "services/console/console.hpp"
#include "services/exit/runtime_error.hpp"
#include "services/files/ordinary_file.hpp"

namespace {

// Once every four-digit name has been tried the numbers only repeat.
constexpr int kFileNumbersPerPattern = 10000;

}  // namespace

bool SplitNumberedName(const std::string& pattern, std::string& prefix, std::string& suffix) {
  size_t zeros = pattern.find("0000");
  if (zeros == std::string::npos) return false;
  prefix = pattern.substr(0, zeros);
  size_t after = pattern.find_first_not_of('0', zeros);
  suffix = after == std::string::npos ? "" : pattern.substr(after);
  return true;
}

std::string NumberedName(const std::string& prefix, int32_t number, const std::string& suffix) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d", static_cast<int>(number % 10000));
  return prefix + text + suffix;
}

std::string BUILDFILESTR() {
  RoutineScope scope("BUILDFILESTR", kLoggerModule);
  SettingsRecord& s = Settings;
  if (s.LogToFile == 0) return {};
  if (s.SwitchHrs == 0) return s.FileStr;
  if (s.FileNumber == -1) {
    if (!SplitNumberedName(s.FileStr, s.FilePrefix, s.FileSuffix)) {
      s.SwitchHrs = 0;
      return s.FileStr;
    }
  }
  // With every name taken the last one tried is used: records are appended.
  for (int tried = 0; tried < kFileNumbersPerPattern; ++tried) {
    ++s.FileNumber;
    s.FileStr = NumberedName(s.FilePrefix, s.FileNumber, s.FileSuffix);
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

#pragma once
// The logger's one settings record: every setting and all run-time state.
// Routines read and write it directly; nothing else is passed between them.
#include <cstdint>
#include <string>

struct SettingsRecord {
  std::string IniFileName;
  std::string PortStr;
  int8_t ApndTime = 0;
  int8_t StdOut = 0;
  std::string FileStr;
  int8_t LogToFile = 0;
  int8_t SwitchHrs = 0;
  std::string Delimiter;
  std::string EolStr;
  int8_t ExitKey = 0;
  std::string UserStr1;
  std::string UserStr2;
  std::string UserStr3;
  std::string UserStr4;
  std::string UserStr5;
  int32_t ExitCode = 0;
  std::string ProgramName;
  std::string ProgramVers;
  std::string BannerStr;
  std::string StatusStr;
  std::string StartDate;
  std::string StartTime;
  int8_t CurHour = 0;
  int8_t LastHour = 0;
  int8_t HourCount = 0;
  int32_t FileNumber = -1;  // set at load; INITALIZEGLOBALS leaves it alone
  std::string FilePrefix;
  std::string FileSuffix;
  int8_t AvrDebugMode = 0;
  int8_t AvrCelsiusMode = 0;
  int8_t AvrFahrenheitMode = 0;
  int8_t AvrInternalMode = 0;
  int8_t AvrEepromMode = 0;
  int8_t AvrRawMode = 0;
  int8_t AvrRoundingMode = 0;
  float DegreeOffset = 0.0f;
};

extern SettingsRecord Settings;

// The command line as the program received it, for GETINIFILENAME.
struct CommandLine {
  std::string ProgramPath;  // argv[0]
  std::string FirstArgument;
  std::string AllArguments;  // arguments after the program, joined by blanks
};
extern CommandLine Arguments;
void SetCommandLine(int argc, const char* const* argv);

// The module name the run-time error report shows for the logger.
inline constexpr const char kLoggerModule[] = "Brenmark";

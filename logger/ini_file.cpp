#include <algorithm>

#include "logger/exit_codes.hpp"
#include "logger/functions.hpp"
#include "logger/globals.hpp"
#include "logger/ini_keys.hpp"
#include "logger/text_rules.hpp"
#include "services/console/console.hpp"
#include "services/exit/runtime_error.hpp"
#include "services/files/files.hpp"
#include "services/files/ordinary_file.hpp"
#include "services/text/text_forms.hpp"

namespace {

bool AsksForHelp(const std::string& arguments) {
  std::string text = TrimBlanks(UpperAscii(arguments));
  if (text.empty()) return false;
  if (text == "?" || text == "HELP") return true;
  for (const char* word : {"/?", "/H", "-?", "-H", "--?", "--H", "/HELP"}) {
    if (text.find(word) != std::string::npos) return true;
  }
  return false;
}

// The INI file beside the program: its path with "ini" for a final ".exe".
std::string NameBesideProgram(const std::string& programPath) {
  std::string path = TrimBlanks(programPath);
  if (path.size() >= 4 && UpperAscii(path.substr(path.size() - 4)) == ".EXE") {
    return path.substr(0, path.size() - 3) + "ini";
  }
  return path + ".ini";
}

int8_t IniFailure(const std::string& head, int error, int32_t code) {
  PrintLine(head + Settings.IniFileName);
  PrintLine("Error code returned was: " + IntText(error));
  PrintLine("***ERROR*** exit, ExitCode: " + IntText(code));
  Settings.ExitCode = code;
  return static_cast<int8_t>(code);
}

}  // namespace

int8_t GETINIFILENAME(const std::string& banner, const std::string& defaultName) {
  RoutineScope scope("GETINIFILENAME", kLoggerModule);
  std::string tried = "These filneames were tried:" + Settings.EolStr;

  // A Linux path holds "/h" or "-h" often (/home/me/lab.ini): an existing file
  // named first is the INI file, and only the words after it can ask for help.
  std::string first = TrimBlanks(Arguments.FirstArgument);
  std::string helpWords = Arguments.AllArguments;
  if (!first.empty() && IsOrdinaryFile(first)) {
    helpWords.erase(0, std::min(helpWords.size(), Arguments.FirstArgument.size()));
  }
  if (AsksForHelp(helpWords)) {
    PrintLine(banner);
    PrintLine("Normal exit, ExitCode: 52");
    Settings.ExitCode = kHelpShown;
    return kHelpShown;
  }

  auto found = [&](const std::string& name) {
    tried += name + Settings.EolStr;
    if (!IsOrdinaryFile(name)) return false;
    Settings.IniFileName = name;
    return true;
  };
  if (!first.empty() && found(first)) return 0;
  if (found(NameBesideProgram(Arguments.ProgramPath))) return 0;
  if (found(defaultName)) return 0;

  PrintLine(banner);
  PrintLine("*** FATAL ERROR ****: No INI file found.");
  PrintLine(tried);
  PrintLine("***ERROR*** exit, ExitCode: 53");
  Settings.ExitCode = kNoIniFile;
  return kNoIniFile;
}

int32_t ApplyIniFile(const std::string& name, int& error) {
  error = OpenFile(kIniFileNumber, name, OpenMode::kInput);
  if (error != 0) return kIniOpenFailed;

  std::string line, key, value;
  while (EndOfFile(kIniFileNumber) == 0) {
    error = LineInput(kIniFileNumber, line);
    if (error != 0) {
      // The run ends here; free the number anyway so nothing depends on exit.
      CloseFile(kIniFileNumber);
      return kIniReadFailed;
    }
    // A lone CR ends an INI line too (files written with CR line ends).
    size_t start = 0;
    for (;;) {
      size_t cr = line.find('\r', start);
      std::string piece = line.substr(start, cr == std::string::npos ? cr : cr - start);
      if (CLEANINISTR(piece, key, value)) ApplyIniSetting(key, value);
      if (cr == std::string::npos) break;
      start = cr + 1;
    }
  }
  error = CloseFile(kIniFileNumber);
  return error != 0 ? kIniCloseFailed : kRunGoesOn;
}

int8_t READINIFILE() {
  RoutineScope scope("READINIFILE", kLoggerModule);
  if (GETINIFILENAME(Settings.BannerStr, "Brenmark.ini") != 0) {
    return static_cast<int8_t>(Settings.ExitCode);
  }

  int error = 0;
  switch (ApplyIniFile(Settings.IniFileName, error)) {
    case kIniOpenFailed:
      return IniFailure("*** FATAL ERROR ****: opening: ", error, kIniOpenFailed);
    case kIniReadFailed:
      return IniFailure("*** FATAL ERROR **** reading: ", error, kIniReadFailed);
    case kIniCloseFailed:
      return IniFailure("*** FATAL ERROR **** closing: ", error, kIniCloseFailed);
  }
  return static_cast<int8_t>(Settings.ExitCode);
}

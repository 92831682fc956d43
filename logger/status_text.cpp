#include "logger/functions.hpp"
#include "logger/globals.hpp"
#include "services/exit/runtime_error.hpp"

namespace {

std::string DelimiterLine(const std::string& delimiter) {
  if (delimiter == ", ") return "Delimiter: Comma";
  if (delimiter == ": ") return "Delimiter: Collon";
  if (delimiter == "\t") return "Delimiter: Tab";
  if (delimiter.empty()) return "Delimiter: none";
  return "Delimiter: \"" + delimiter + "\"";
}

std::string LineEndLine(const std::string& eol) {
  if (eol == "\r") return "EOL: carriage return";
  if (eol == "\n") return "EOL: line feed";
  return "EOL: carriage return plus line feed";
}

// An exit key of 0 could never be told from "no key waiting"; the loop takes
// it as Escape, and so does the text.
std::string ExitKeyLine(int8_t exitKey) {
  if (exitKey == 24) return "Press 'Ctrl' and  'X' to exit.";
  if (exitKey == 27 || exitKey == 0) return "Press 'Escape' key to exit.";
  return std::string("Press '") + static_cast<char>(exitKey) + "' key to exit.";
}

const char* const kKeyHelp[] = {
    " Keys '1'  to '0' set report Times",
    " Key  'A'  toggles AVR mode",
    " Key  'B'  Restore from Backup",
    " Key  'C'  toggles Celsius mode",
    " Key  'D'  toggles Debug mode",
    " Key  'E'  toggles EEPROM mode",
    " Key  'F'  toggles Fahrenheit mode",
    " Key  'L'  lists AVR commands",
    " Key  'M'  turns on Minimal mode (Fahrenheit only)",
    " Key  'Q'  prints AVR storage",
    " Key  'R'  toggles Rounding mode",
    " Key  'S'  prints AVR Status",
    " Key  'V'  toggles Raw Reading mode",
    " Key  '>'  increase Degree Offset by 0.25 Fahrenheit",
    " Key  '<'  decrease Degree Offset by 0.25 Fahrenheit",
};

}  // namespace

int8_t BUILDSTATUSSTR() {
  RoutineScope scope("BUILDSTATUSSTR", kLoggerModule);
  const SettingsRecord& s = Settings;
  std::string text;
  auto line = [&](const std::string& l) { text += l + s.EolStr; };

  line("");
  line("===" + s.ProgramName + " Ver" + s.ProgramVers + " ===");
  line("Using INI file: ");
  line(s.IniFileName);
  line("Using Port Str: " + s.PortStr);
  if (s.ApndTime != 0) line("Appending date/time to data.");
  if (!s.FileStr.empty()) {
    line("Logging data to: " + s.FileStr);
    line(DelimiterLine(s.Delimiter));
    line(LineEndLine(s.EolStr));
  }
  line("Start: " + s.StartDate + " " + s.StartTime);
  line("Press '?' or '/' to redispaly this message");
  line(ExitKeyLine(s.ExitKey));
  line("");
  for (const char* help : kKeyHelp) line(help);
  const std::string* user[] = {&s.UserStr1, &s.UserStr2, &s.UserStr3, &s.UserStr4, &s.UserStr5};
  for (int i = 0; i < 5; ++i) {
    if (user[i]->empty()) continue;
    line(" Key  'U" + std::to_string(i + 1) + "' INI defined string: \"" + *user[i] + "\"");
  }
  Settings.StatusStr = text;
  return s.StdOut;
}

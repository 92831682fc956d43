#include "logger/command_keys.hpp"

#include <cstdint>
#include <string>
#include <string_view>

#include "logger/exit_codes.hpp"
#include "logger/globals.hpp"
#include "logger/port_commands.hpp"
#include "services/console/console.hpp"
#include "services/files/files.hpp"
#include "services/text/text_forms.hpp"

namespace {

constexpr int8_t kOn = -1;
constexpr int kEscape = 27;
constexpr int kCtrlZ = 26;

// A device that does not take a command is not worth ending the run for.
void Send(std::string_view command) {
  SendCommand(command);
}

struct ReportTime {
  char key;
  const char* command;
  const char* text;
};

constexpr ReportTime kReportTimes[] = {
    {'1', "T1", "Report Time set to 1 minute"},   {'2', "T2", "Report Time set to 2 minutes"},
    {'3', "T3", "Report Time set to 3 minutes"},  {'4', "T4", "Report Time set to 4 minutes"},
    {'5', "T5", "Report Time set to 5 minutes"},  {'6', "T6", "Report Time set to 10 minutes"},
    {'7', "T7", "Report Time set to 15 minutes"}, {'8', "T8", "Report Time set to 20 minutes"},
    {'9', "T9", "Report Time set to 30 minutes"}, {'0', "T0", "Report Time set to 60 minutes"},
};

// A mode the logger believes the device to be in. Turning it on uses the
// first text and command, turning it off the second.
struct Toggle {
  char key;
  int8_t SettingsRecord::*flag;
  const char* on_text;
  const char* off_text;
  const char* on_command;   // sent after the text
  const char* off_command;  // sent after the text
  const char* before;       // sent before the text either way, or nullptr
};

constexpr Toggle kToggles[] = {
    {'D', &SettingsRecord::AvrDebugMode, "Turn Debug mode on", "Turn Debug mode off", nullptr,
     nullptr, "DB"},
    {'F', &SettingsRecord::AvrFahrenheitMode, "Turn Fahrenheit Mode on", "Turn Fahrenheit Mode off",
     "FT", "FF", nullptr},
    {'C', &SettingsRecord::AvrCelsiusMode, "Turn Celsius Mode on", "Turn Celsius Mode off", "CT",
     "CF", nullptr},
    {'A', &SettingsRecord::AvrInternalMode, "Turn Avr Internal Mode on",
     "Turn AVR Internal Mode off", "IT", "IF", nullptr},
    {'E', &SettingsRecord::AvrEepromMode, "Turn EEMode Mode on, ***NEXT AVR RESTART***",
     "Turn EEMode Mode off, ***NEXT AVR RESTART***", "E+", "E-", nullptr},
    {'R', &SettingsRecord::AvrRoundingMode, "Turn Rounding Mode on", "Turn Rounding Mode off",
     nullptr, nullptr, "00"},
    {'V', &SettingsRecord::AvrRawMode, "Turn Raw Reading Mode on", "Turn Raw Reading Mode off",
     "RT", "RF", nullptr},
};

struct Plain {
  char key;
  const char* command;
};

constexpr Plain kPlainCommands[] = {{'B', "W-"}, {'S', "ST"}, {'Q', "ED"}, {'L', "??"}};

bool IsLetter(int code, char upper) {
  return code == upper || code == upper + ('a' - 'A');
}

void ApplyToggle(const Toggle& t) {
  int8_t& flag = Settings.*(t.flag);
  bool turning_on = flag == 0;
  flag = turning_on ? kOn : 0;
  if (t.before) Send(t.before);
  PrintLine(turning_on ? t.on_text : t.off_text);
  const char* after = turning_on ? t.on_command : t.off_command;
  if (after) Send(after);
}

void MinimalMode() {
  PrintLine("Setting minimal mode (Fahrenheit only)");
  if (Settings.AvrDebugMode) Send("DB");
  Settings.AvrDebugMode = 0;
  if (!Settings.AvrRoundingMode) Send("00");
  Settings.AvrRoundingMode = kOn;
  Send("RF CF IF FT ST");
  Settings.AvrRawMode = 0;
  Settings.AvrCelsiusMode = 0;
  Settings.AvrInternalMode = 0;
  Settings.AvrFahrenheitMode = kOn;
}

void UserString() {
  Pause(1000);
  const std::string* strings[] = {&Settings.UserStr1, &Settings.UserStr2, &Settings.UserStr3,
                                  &Settings.UserStr4, &Settings.UserStr5};
  int second = KeyCode(PollKey());
  if (second < '1' || second > '5') return;
  const std::string& text = *strings[second - '1'];
  if (!text.empty()) Send(text);
}

void StepOffset(double step) {
  float stepped = static_cast<float>(static_cast<double>(Settings.DegreeOffset) + step);
  // An offset of exactly 0 is sent as a tiny one.
  if (stepped == 0.0f) stepped = 0.0001f;
  Settings.DegreeOffset = stepped;
  Send("DO " + SingleText(stepped));
}

bool IsCommandKey(int code) {
  if (code >= '0' && code <= '9') return true;
  for (char letter : std::string_view("DFCAERVMBSQLU")) {
    if (IsLetter(code, letter)) return true;
  }
  return code == 'z' || code == kCtrlZ || code == '<' || code == ',' || code == '>' || code == '.';
}

}  // namespace

int EffectiveExitKey() {
  return Settings.ExitKey == 0 ? kEscape : Settings.ExitKey;
}

void HandleCommandKey(int code) {
  if (code == 0) return;
  if (code == '?' || code == '/') {
    PrintLine(Settings.StatusStr);
    return;
  }
  if (code == EffectiveExitKey()) {
    Settings.ExitCode = kExitKeyPressed;
    return;
  }
  // Nothing would reach the device: the flags and the offset must keep
  // describing it as it is.
  if (ChannelAt(kPortFileNumber) == nullptr) {
    if (IsCommandKey(code)) PrintLine("Com port lost, key ignored: " + Settings.PortStr);
    return;
  }
  for (const ReportTime& r : kReportTimes) {
    if (code == r.key) {
      Send(r.command);
      PrintLine(r.text);
      return;
    }
  }
  for (const Toggle& t : kToggles) {
    if (IsLetter(code, t.key)) {
      ApplyToggle(t);
      return;
    }
  }
  if (IsLetter(code, 'M')) {
    MinimalMode();
    return;
  }
  for (const Plain& p : kPlainCommands) {
    if (IsLetter(code, p.key)) {
      Send(p.command);
      return;
    }
  }
  if (code == 'U' || code == 'u' || code == 'z' || code == kCtrlZ) {
    UserString();
    return;
  }
  if (code == '<' || code == ',') {
    StepOffset(-0.25);
  } else if (code == '>' || code == '.') {
    StepOffset(0.25);
  }
}

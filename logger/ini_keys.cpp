#include "logger/ini_keys.hpp"

#include <cmath>
#include <cstdlib>

#include "logger/globals.hpp"
#include "logger/text_rules.hpp"
#include "services/text/text_forms.hpp"

namespace {

bool IsYes(const std::string& value) {
  std::string upper = UpperAscii(value);
  return upper == "TRUE" || upper == "YES";
}

// |floor(x)|, kept within [0, limit] before any conversion to an integer.
int FloorMagnitude(double x, int limit) {
  double n = std::fabs(std::floor(x));
  if (!(n >= 0)) return 0;
  if (n > limit) return limit;
  return static_cast<int>(n);
}

// A leading %NAME% is replaced by the variable's value. Without a closing "%"
// there is no variable name, so the value stays as written.
std::string ExpandLeadingVariable(const std::string& value) {
  if (value.empty() || value[0] != '%') return value;
  size_t close = value.find('%', 1);
  if (close == std::string::npos) return value;
  std::string name = value.substr(1, close - 1);
  const char* found = name.empty() ? nullptr : std::getenv(name.c_str());
  return std::string(found ? found : "") + value.substr(close + 1);
}

std::string DelimiterFor(const std::string& value) {
  if (value == "TAB") return "\t";
  if (value == "COMMA") return ", ";
  if (value == "COLLON") return ": ";
  double n = NumberValue(value);
  if (std::fabs(n) > 0) {
    double down = std::floor(n);
    if (!(down > 0)) return "";
    return std::string(down > kMaxDelimiterBlanks ? kMaxDelimiterBlanks : static_cast<int>(down),
                       ' ');
  }
  if (value[0] == '0') return "";
  if (UpperAscii(value) == "ZERO") return "";
  return "\t";
}

std::string EolFor(const std::string& value) {
  switch (value[0]) {
    case '1':
      return "\n";
    case '2':
      return "\r";
    default:
      return "\r\n";
  }
}

int8_t ExitKeyFor(const std::string& value) {
  std::string upper = UpperAscii(value);
  if (upper == "ESCAPE") return 27;
  if (upper == "CTLX") return 24;
  int n = FloorMagnitude(NumberValue(value), 1000);
  if (n == 0) return 0;
  if (n >= 32 && n <= 126) return static_cast<int8_t>(n);
  return 27;
}

}  // namespace

void ApplyIniSetting(const std::string& key, const std::string& value) {
  if (value.empty()) return;
  SettingsRecord& s = Settings;
  if (key == "PORTSTR") {
    s.PortStr = value;
  } else if (key == "APNDTIME") {
    if (IsYes(value)) s.ApndTime = 1;
  } else if (key == "STDOUT") {
    if (IsYes(value)) s.StdOut = 1;
  } else if (key == "FILESTR") {
    s.LogToFile = 1;
    s.FileStr = ExpandLeadingVariable(value);
  } else if (key == "SWITCHHRS") {
    s.SwitchHrs = static_cast<int8_t>(FloorMagnitude(NumberValue(value), 24));
  } else if (key == "DELIMITER") {
    s.Delimiter = DelimiterFor(value);
  } else if (key == "EOL") {
    s.EolStr = EolFor(value);
  } else if (key == "EXITKEY") {
    s.ExitKey = ExitKeyFor(value);
  } else if (key == "USERSTR1") {
    s.UserStr1 = TrimBlanks(value);
  } else if (key == "USERSTR2") {
    s.UserStr2 = TrimBlanks(value);
  } else if (key == "USERSTR3") {
    s.UserStr3 = TrimBlanks(value);
  } else if (key == "USERSTR4") {
    s.UserStr4 = TrimBlanks(value);
  } else if (key == "USERSTR5") {
    s.UserStr5 = TrimBlanks(value);
  }
}

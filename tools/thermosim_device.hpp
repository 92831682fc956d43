#pragma once
// What the simulated thermometer says: its readings and its answers to the
// commands the logger sends. Every line it returns ends with CR LF.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class ThermoDevice {
 public:
  explicit ThermoDevice(uint32_t seed = 1);

  // The next reading line (a temperature such as "72.5"), drifting slowly;
  // in debug mode followed by a comment line.
  std::string Reading();
  // Answer lines for one received command line (commands separated by
  // blanks; "DO" takes the next word as its number).
  std::string Answer(std::string_view line);

 private:
  std::string Command(std::string_view word, std::string_view argument, bool& used_argument);
  std::string StatusLines() const;
  std::string OffsetLine() const;
  std::string FormatTemperature(double fahrenheit) const;

  double fahrenheit_ = 72.5;
  double offset_ = 0.0;
  uint32_t random_;
  int report_minutes_ = 1;
  bool debug_ = false;
  bool fahrenheit_mode_ = true;
  bool celsius_mode_ = true;
  bool internal_ = false;
  bool eeprom_ = false;
  bool rounding_ = true;
  bool raw_ = true;
  std::vector<std::string> stored_;
};

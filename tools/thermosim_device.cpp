#include "tools/thermosim_device.hpp"

#include <cstdio>
#include <cstdlib>

namespace {

std::string Comment(std::string_view text) {
  return ";" + std::string(text) + "\r\n";
}

std::string OnOff(bool on) {
  return on ? "on" : "off";
}

std::string Upper(std::string_view text) {
  std::string s(text);
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

std::string ShortNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7g", value);
  return text;
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

constexpr int kReportMinutes[] = {60, 1, 2, 3, 4, 5, 10, 15, 20, 30};

constexpr const char* kCommandList[] = {
    "T0-T9\treport time 60,1,2,3,4,5,10,15,20,30 minutes",
    "DB\tdebug mode toggle",
    "FT/FF\tFahrenheit mode on/off",
    "CT/CF\tCelsius mode on/off",
    "IT/IF\tinternal mode on/off",
    "E+/E-\tEEPROM mode on/off at next restart",
    "00\trounding toggle",
    "RT/RF\traw reading mode on/off",
    "W-\trestore from backup",
    "ST\tstatus",
    "ED\tstorage listing",
    "DO x\tdegree offset (F)",
    "??\tthis list",
};

}  // namespace

ThermoDevice::ThermoDevice(uint32_t seed) : random_(seed == 0 ? 1 : seed) {}

std::string ThermoDevice::FormatTemperature(double fahrenheit) const {
  double value = fahrenheit_mode_ || !celsius_mode_ ? fahrenheit : (fahrenheit - 32.0) * 5.0 / 9.0;
  char text[32];
  std::snprintf(text, sizeof text, rounding_ ? "%.1f" : "%.2f", value);
  return text;
}

std::string ThermoDevice::Reading() {
  std::string value = FormatTemperature(fahrenheit_ + offset_);
  // xorshift: a slow random walk that stays in a room's range.
  random_ ^= random_ << 13;
  random_ ^= random_ >> 17;
  random_ ^= random_ << 5;
  double step = static_cast<int>(random_ % 5) - 2;  // -2..2
  fahrenheit_ += step / 20.0;
  if (fahrenheit_ < 65.0) fahrenheit_ = 65.0;
  if (fahrenheit_ > 80.0) fahrenheit_ = 80.0;
  stored_.push_back(value);
  if (stored_.size() > 16) stored_.erase(stored_.begin());
  std::string lines = value + "\r\n";
  if (debug_) {
    lines += Comment("Debug:\tadc=" + std::to_string(static_cast<int>(fahrenheit_ * 10.0)) +
                     (internal_ ? "\tinternal" : "\texternal"));
  }
  return lines;
}

std::string ThermoDevice::OffsetLine() const {
  return Comment("Offset:\t" + ShortNumber(offset_));
}

std::string ThermoDevice::StatusLines() const {
  std::string s = Comment("Status");
  s += Comment("Report time:\t" + std::to_string(report_minutes_) + " min");
  s += Comment("Fahrenheit:\t" + OnOff(fahrenheit_mode_));
  s += Comment("Celsius:\t" + OnOff(celsius_mode_));
  s += Comment("Internal:\t" + OnOff(internal_));
  s += Comment("EEPROM:\t" + OnOff(eeprom_));
  s += Comment("Rounding:\t" + OnOff(rounding_));
  s += Comment("Raw:\t" + OnOff(raw_));
  s += Comment("Debug:\t" + OnOff(debug_));
  s += OffsetLine();
  return s;
}

std::string ThermoDevice::Answer(std::string_view line) {
  std::vector<std::string_view> words = Words(line);
  std::string answer;
  for (size_t i = 0; i < words.size(); ++i) {
    bool used_argument = false;
    std::string_view argument = i + 1 < words.size() ? words[i + 1] : std::string_view{};
    answer += Command(words[i], argument, used_argument);
    if (used_argument) ++i;
  }
  return answer;
}

std::string ThermoDevice::Command(std::string_view word, std::string_view argument,
                                  bool& used_argument) {
  std::string command = Upper(word);
  auto mode = [](bool& flag, bool on, const char* name) {
    flag = on;
    return Comment(std::string(name) + " mode " + OnOff(on));
  };
  if (command.size() == 2 && command[0] == 'T' && command[1] >= '0' && command[1] <= '9') {
    report_minutes_ = kReportMinutes[command[1] - '0'];
    return Comment("Report time set to " + std::to_string(report_minutes_) + " min");
  }
  if (command == "DB") return mode(debug_, !debug_, "Debug");
  if (command == "FT" || command == "FF")
    return mode(fahrenheit_mode_, command == "FT", "Fahrenheit");
  if (command == "CT" || command == "CF") return mode(celsius_mode_, command == "CT", "Celsius");
  if (command == "IT" || command == "IF") return mode(internal_, command == "IT", "Internal");
  if (command == "RT" || command == "RF") return mode(raw_, command == "RT", "Raw reading");
  if (command == "00") return mode(rounding_, !rounding_, "Rounding");
  if (command == "E+" || command == "E-") {
    eeprom_ = command == "E+";
    return Comment("EEPROM mode " + OnOff(eeprom_) + " at next restart");
  }
  if (command == "W-") {
    offset_ = 0.0;
    return Comment("Restored from backup") + OffsetLine();
  }
  if (command == "ST") return StatusLines();
  if (command == "ED") {
    std::string s = Comment("Storage:\t" + std::to_string(stored_.size()) + " readings");
    for (size_t i = 0; i < stored_.size(); ++i) {
      s += Comment(std::to_string(i + 1) + "\t" + stored_[i]);
    }
    return s;
  }
  if (command == "??") {
    std::string s = Comment("Commands:");
    for (const char* entry : kCommandList) s += Comment(entry);
    return s;
  }
  if (command == "DO") {
    used_argument = !argument.empty();
    std::string number(argument);
    char* end = nullptr;
    double value = std::strtod(number.c_str(), &end);
    if (number.empty() || end == number.c_str() || *end != '\0') {
      return Comment("Bad offset:\t" + number);
    }
    offset_ = value;
    return OffsetLine();
  }
  return Comment("Unknown command:\t" + std::string(word));
}

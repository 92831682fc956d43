#include "services/serial/port_spec.hpp"

#include <cstdlib>
#include <string>
#include <vector>

#include "services/exit/error_numbers.hpp"

namespace {

char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (Upper(text[i]) != prefix[i]) return false;
  }
  return true;
}

bool EqualsNoCase(std::string_view text, std::string_view word) {
  return text.size() == word.size() && StartsWithNoCase(text, word);
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The whole text must be one decimal integer: leading spaces and a sign are
// allowed, the value wraps to its low 32 bits. No digits at all reads as 0
// only when `digits_optional` (the "CS" alone case); a lone sign never does.
bool ReadWholeNumber(std::string_view s, bool digits_optional, uint32_t& value) {
  size_t i = 0;
  // Only character 32 here: a tab between a keyword and its digits is not
  // a blank of the number.
  while (i < s.size() && s[i] == ' ') ++i;
  if (i == s.size()) {
    value = 0;
    return digits_optional;
  }
  bool negative = false;
  if (s[i] == '+' || s[i] == '-') {
    negative = s[i] == '-';
    ++i;
  }
  size_t first_digit = i;
  uint32_t result = 0;
  while (i < s.size() && IsDigit(s[i])) {
    result = result * 10u + static_cast<uint32_t>(s[i] - '0');
    ++i;
  }
  if (i == first_digit || i != s.size()) return false;
  value = negative ? 0u - result : result;
  return true;
}

// 0, 1 or 2 for "1", "1.5" and "2" written as any decimal real number.
bool ReadStopBits(std::string_view s, uint32_t& stop_bits) {
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t mantissa_digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++mantissa_digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++mantissa_digits;
  }
  if (mantissa_digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t exponent_digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++exponent_digits;
    if (exponent_digits == 0) return false;
  }
  if (i != s.size()) return false;
  double value = std::strtod(std::string(s).c_str(), nullptr);
  if (value == 1.0) {
    stop_bits = 0;
  } else if (value == 1.5) {
    stop_bits = 1;
  } else if (value == 2.0) {
    stop_bits = 2;
  } else {
    return false;
  }
  return true;
}

bool ReadParity(std::string_view s, PortOptions& options) {
  static constexpr std::string_view kLetters = "NEOSM";
  if (EqualsNoCase(s, "PE")) {
    options.Parity = 1;
    options.CheckParity = 1;
    return true;
  }
  if (s.size() != 1) return false;
  size_t at = kLetters.find(Upper(s[0]));
  if (at == std::string_view::npos) return false;
  options.Parity = static_cast<uint32_t>(at);
  return true;
}

bool ReadOption(std::string_view field, PortOptions& options) {
  struct Prefixed {
    std::string_view keyword;
    uint32_t PortOptions::*target;
  };
  static constexpr Prefixed kPrefixed[] = {
      {"CS", &PortOptions::CtsMs},  {"DS", &PortOptions::DsrMs},    {"CD", &PortOptions::CdMs},
      {"OP", &PortOptions::OpenMs}, {"TB", &PortOptions::TxBuffer}, {"RB", &PortOptions::RxBuffer},
  };
  struct Flag {
    std::string_view keyword;
    uint32_t PortOptions::*target;
    uint32_t value;
  };
  static constexpr Flag kFlags[] = {
      {"RS", &PortOptions::SuppressRts, 1},    {"LF", &PortOptions::AsciiMode, 1},
      {"ASC", &PortOptions::AsciiMode, 1},     {"BIN", &PortOptions::AsciiMode, 0},
      {"PE", &PortOptions::CheckParity, 1},    {"DT", &PortOptions::KeepDtr, 1},
      {"FE", &PortOptions::DiscardOnError, 1}, {"ME", &PortOptions::IgnoreErrors, 1},
  };
  for (const Prefixed& p : kPrefixed) {
    if (StartsWithNoCase(field, p.keyword)) {
      return ReadWholeNumber(field.substr(2), true, options.*p.target);
    }
  }
  for (const Flag& f : kFlags) {
    if (EqualsNoCase(field, f.keyword)) {
      options.*f.target = f.value;
      return true;
    }
  }
  if (StartsWithNoCase(field, "IR")) {
    return ReadWholeNumber(field.substr(2), true, options.IrqNumber);
  }
  return false;
}

bool ReadSettings(std::string_view settings, PortOptions& options) {
  bool stop_bits_given = false;
  size_t position = 0;
  size_t start = 0;
  for (;;) {
    size_t comma = settings.find(',', start);
    std::string_view field = TrimBlanks(settings.substr(
        start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (!field.empty()) {
      bool ok = true;
      switch (position) {
        case 0:
          ok = ReadWholeNumber(field, false, options.BaudRate);
          break;
        case 1:
          ok = ReadParity(field, options);
          break;
        case 2:
          ok = ReadWholeNumber(field, false, options.DataBits);
          break;
        case 3:
          ok = ReadStopBits(field, options.StopBits);
          stop_bits_given = true;
          break;
        default:
          ok = ReadOption(field, options);
          break;
      }
      if (!ok) return false;
    }
    if (comma == std::string_view::npos) break;
    start = comma + 1;
    ++position;
  }
  if (!stop_bits_given) {
    if (options.BaudRate > 110) {
      options.StopBits = 0;
    } else {
      options.StopBits = options.DataBits == 5 ? 1 : 2;
    }
  }
  return true;
}

}  // namespace

bool PortNameNumber(std::string_view text, uint32_t& number) {
  number = 0;
  if (StartsWithNoCase(text, "SER:")) {
    number = 1;
    return true;
  }
  if (text.size() > 3 && StartsWithNoCase(text, "COM")) {
    size_t i = 3;
    uint32_t value = 0;
    while (i < text.size() && IsDigit(text[i])) {
      value = value * 10u + static_cast<uint32_t>(text[i] - '0');
      ++i;
    }
    if (i == text.size() || text[i] != ':') return false;
    number = value;
    return true;
  }
  return text.size() > 3 && text.find(':') != std::string_view::npos;
}

int ParsePortSpec(std::string_view text, PortOptions& options) {
  PortOptions parsed;
  if (!PortNameNumber(text, parsed.PortNumber)) return kIllegalFunctionCall;
  size_t colon = text.find(':');
  if (!ReadSettings(text.substr(colon + 1), parsed)) return kIllegalFunctionCall;
  if (parsed.PortNumber >= 1) {
    parsed.DeviceName = "COM" + std::to_string(parsed.PortNumber) + ":";
  } else {
    parsed.DeviceName = std::string(text.substr(0, colon));
  }
  options = std::move(parsed);
  return kNoError;
}

uint32_t DeviceWaitBoundMs(const PortOptions& options) {
  constexpr uint32_t kShortestMs = 1000;
  return options.CtsMs > kShortestMs ? options.CtsMs : kShortestMs;
}

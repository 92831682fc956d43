#include "services/text/text_forms.hpp"

#include <cfloat>
#include <charconv>
#include <cstdio>
#include <system_error>

namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

// The longest run of digits of the radix; wraps like the 64-bit integer it is.
double RadixValue(std::string_view digits, int radix) {
  uint64_t value = 0;
  for (char c : digits) {
    int digit = DigitValue(c);
    if (digit >= radix) break;
    value = value * static_cast<uint64_t>(radix) + static_cast<uint64_t>(digit);
  }
  return static_cast<double>(static_cast<int64_t>(value));
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Only this grammar is accepted: sign, digits, point, fraction, exponent.
// Library parsers would also take "inf", "nan" and hexadecimal forms.
double DecimalValue(std::string_view s) {
  std::string number;
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) {
    number += s[i++];
    ++digits;
  }
  if (i < s.size() && s[i] == '.') {
    number += s[i++];
    while (i < s.size() && IsDigit(s[i])) {
      number += s[i++];
      ++digits;
    }
  }
  if (digits == 0) return 0.0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    size_t j = i + 1;
    std::string exponent = "e";
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent += s[j++];
    if (j < s.size() && IsDigit(s[j])) {
      while (j < s.size() && IsDigit(s[j])) exponent += s[j++];
      number += exponent;
    }
  }
  double value = 0.0;
  auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error == std::errc::result_out_of_range) {
    // Too large stays the largest finite value, so callers that convert it
    // to an integer or a float never meet an infinity; too small is 0.
    size_t e = number.find('e');
    bool huge = e != std::string::npos && number[e + 1] != '-';
    value = huge ? DBL_MAX : 0.0;
  }
  (void)end;
  return negative ? -value : value;
}

}  // namespace

std::string DateTextOf(const LocalTime& t) {
  if (!t.valid) return {};
  char text[40];
  std::snprintf(text, sizeof text, "%02d-%02d-%04d", t.month, t.day, t.year);
  return text;
}

std::string TimeTextOf(const LocalTime& t) {
  if (!t.valid) return {};
  char text[40];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
  return text;
}

std::string DateText() {
  return DateTextOf(CurrentClock().Now());
}
std::string TimeText() {
  return TimeTextOf(CurrentClock().Now());
}

std::string IntText(int64_t n) {
  return std::to_string(n);
}

std::string SingleText(float x) {
  char text[48];
  std::snprintf(text, sizeof text, "%.7g", static_cast<double>(x));
  return text;
}

double NumberValue(std::string_view s) {
  size_t start = s.find_first_not_of(' ');
  if (start == std::string_view::npos) return 0.0;
  s.remove_prefix(start);
  if (s.size() >= 2 && s[0] == '&') {
    switch (s[1]) {
      case 'H':
      case 'h':
        return RadixValue(s.substr(2), 16);
      case 'O':
      case 'o':
        return RadixValue(s.substr(2), 8);
      case 'B':
      case 'b':
        return RadixValue(s.substr(2), 2);
      default:
        return RadixValue(s.substr(1), 8);
    }
  }
  return DecimalValue(s);
}

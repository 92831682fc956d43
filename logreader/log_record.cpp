#include "logreader/log_record.hpp"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>

#include "services/text/text_forms.hpp"
#include "services/time/floor_divide.hpp"

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Digits at the given offsets, the separator everywhere else.
bool Matches(std::string_view s, std::string_view shape) {
  if (s.size() < shape.size()) return false;
  for (size_t i = 0; i < shape.size(); ++i) {
    if (shape[i] == '9' ? !IsDigit(s[i]) : s[i] != shape[i]) return false;
  }
  return true;
}

int Number(std::string_view s, size_t at, size_t width) {
  int n = 0;
  for (size_t i = at; i < at + width; ++i) n = n * 10 + (s[i] - '0');
  return n;
}

int RadixDigit(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

// The common reading, digits with a point and at most 15 digits, read
// exactly as the general reader would: both numbers of the division are
// exact, and IEEE division rounds correctly. False for anything else.
bool PlainDecimal(std::string_view s, double& value) {
  static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  int64_t mantissa = 0;
  int digits = 0;
  int fraction = -1;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (IsDigit(c)) {
      mantissa = mantissa * 10 + (c - '0');
      ++digits;
      if (fraction >= 0) ++fraction;
    } else if (c == '.' && fraction < 0) {
      fraction = 0;
    } else {
      break;
    }
    if (digits > 15) return false;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) return false;
  value = static_cast<double>(mantissa) / kPowers[fraction < 0 ? 0 : fraction];
  if (negative) value = -value;
  return true;
}

// A real day of the proleptic Gregorian calendar.
bool IsRealDate(int year, int month, int day) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1) return false;
  bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

// Digits, "-", digits, "-": the start of a date, however wrongly written;
// no number a thermometer sends looks like this.
bool BeginsLikeDate(std::string_view s) {
  size_t i = 0;
  for (int dash = 0; dash < 2; ++dash) {
    size_t digits = i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    if (i == digits || i >= s.size() || s[i] != '-') return false;
    ++i;
  }
  return true;
}

// Days of a yyyy-mm-dd stamp; false when it names no real day. Most records
// share the date of the one before.
bool StampDays(std::string_view date, int64_t& days) {
  thread_local char last_date[10] = {};
  thread_local int64_t last_days = 0;
  thread_local bool last_real = false;
  if (std::memcmp(last_date, date.data(), 10) != 0) {
    std::memcpy(last_date, date.data(), 10);
    int year = Number(date, 0, 4), month = Number(date, 5, 2), day = Number(date, 8, 2);
    last_real = IsRealDate(year, month, day);
    if (last_real) last_days = DaysFromCivil(year, month, day);
  }
  days = last_days;
  return last_real;
}

// Whether the decimal number the text begins with is within a double's
// range (too small is 0, not out of range). Radix forms always are.
bool DecimalInRange(std::string_view s) {
  size_t i = s.find_first_not_of(' ');
  if (i == std::string_view::npos || s[i] == '&') return true;
  if (s[i] == '+' || s[i] == '-') ++i;
  std::string digits;  // the significant digits
  int64_t point =
      0;  // digits before the point from the first significant one; minus zeros after it
  bool fraction = false;
  for (; i < s.size(); ++i) {
    if (s[i] == '.' && !fraction) {
      fraction = true;
    } else if (!IsDigit(s[i])) {
      break;
    } else if (!digits.empty() || s[i] != '0') {
      digits += s[i];
      if (!fraction) ++point;
    } else if (fraction) {
      --point;
    }
  }
  if (digits.empty()) return true;  // zero
  int64_t exponent = 0;
  if (i + 1 < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    size_t j = i + 1;
    bool negative = s[j] == '-';
    if (s[j] == '+' || s[j] == '-') ++j;
    for (; j < s.size() && IsDigit(s[j]); ++j) {
      if (exponent < 1000000000) exponent = exponent * 10 + (s[j] - '0');
    }
    if (negative) exponent = -exponent;
  }
  int64_t magnitude = point - 1 + exponent;  // the value is below 10^(magnitude + 1)
  if (magnitude != DBL_MAX_10_EXP) return magnitude < DBL_MAX_10_EXP;
  // Near the largest double only the exact reading tells.
  std::string number =
      digits.substr(0, 1) + "." + digits.substr(1) + "e" + std::to_string(magnitude);
  double value = 0.0;
  auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  return result.ec != std::errc::result_out_of_range && std::isfinite(value);
}

}  // namespace

int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yoe = year - era * 400;
  const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

std::string StampText(int64_t seconds) {
  int64_t days = FloorDivide(seconds, 86400);
  int64_t rest = seconds - days * 86400;
  // Inverse of DaysFromCivil.
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = yoe + era * 400 + (month <= 2);
  char text[160];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld",
                static_cast<long long>(year), static_cast<long long>(month),
                static_cast<long long>(day), static_cast<long long>(rest / 3600),
                static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60));
  return text;
}

bool BeginsWithNumber(std::string_view s) {
  size_t i = s.find_first_not_of(' ');
  if (i == std::string_view::npos) return false;
  s.remove_prefix(i);
  if (s[0] == '&') {
    if (s.size() < 2) return false;
    int radix = 8;
    size_t at = 1;
    switch (s[1]) {
      case 'H':
      case 'h':
        radix = 16, at = 2;
        break;
      case 'O':
      case 'o':
        at = 2;
        break;
      case 'B':
      case 'b':
        radix = 2, at = 2;
        break;
    }
    return at < s.size() && RadixDigit(s[at]) < radix;
  }
  i = s[0] == '+' || s[0] == '-' ? 1 : 0;
  if (i < s.size() && IsDigit(s[i])) return true;
  return i + 1 < s.size() && s[i] == '.' && IsDigit(s[i + 1]);
}

Record ReadRecord(std::string_view line) {
  Record r;
  if (line.empty()) return r;
  if (line[0] == ';') {
    r.kind = RecordKind::kComment;
    r.text = line;
    return r;
  }
  if (line.starts_with("Exit Code: ")) {
    r.kind = RecordKind::kRunEnd;
    r.text = line;
    return r;
  }
  r.text = line;
  if (Matches(line, "9999-99-99")) {
    // The delimiter never holds a digit, so it ends where the time begins.
    size_t delimiter = 10;
    while (delimiter < line.size() && delimiter < 10 + 64 && !IsDigit(line[delimiter])) {
      ++delimiter;
    }
    std::string_view rest = line.substr(delimiter);
    int64_t days = 0;
    if (!Matches(rest, "99:99:99") || !StampDays(line, days)) {
      r.kind = RecordKind::kNoNumber;
      return r;
    }
    int hour = Number(rest, 0, 2), minute = Number(rest, 3, 2), second = Number(rest, 6, 2);
    if (hour > 23 || minute > 59 || second > 59) {
      r.kind = RecordKind::kNoNumber;
      return r;
    }
    std::string_view between = line.substr(10, delimiter - 10);
    r.stamped = true;
    r.date = line.substr(0, 10);
    r.time = rest.substr(0, 8);
    r.text = rest.substr(8);
    if (r.text.starts_with(between)) r.text.remove_prefix(between.size());
    r.seconds = days * 86400 + hour * 3600 + minute * 60 + second;
  } else if (BeginsLikeDate(line)) {
    // A stamp no clock writes: its digits are no reading.
    r.kind = RecordKind::kNoNumber;
    return r;
  }
  if (PlainDecimal(r.text, r.value)) {
    r.kind = RecordKind::kReading;
  } else if (BeginsWithNumber(r.text)) {
    r.value = NumberValue(r.text);
    // The general reader clamps a number out of range; such a number is no reading.
    bool clamped_or_zero = r.value == 0.0 || std::fabs(r.value) == DBL_MAX;
    r.kind =
        clamped_or_zero && !DecimalInRange(r.text) ? RecordKind::kNoNumber : RecordKind::kReading;
  } else {
    r.kind = RecordKind::kNoNumber;
  }
  return r;
}

bool ReadTimeBound(std::string_view text, int64_t& first, int64_t& last) {
  int64_t span = 0;
  int hour = 0, minute = 0, second = 0;
  if (text.size() == 10 && Matches(text, "9999-99-99")) {
    span = 86400;
  } else if (text.size() == 16 &&
             (Matches(text, "9999-99-99T99:99") || Matches(text, "9999-99-99 99:99"))) {
    span = 60;
  } else if (text.size() == 19 &&
             (Matches(text, "9999-99-99T99:99:99") || Matches(text, "9999-99-99 99:99:99"))) {
    span = 1;
    second = Number(text, 17, 2);
  } else {
    return false;
  }
  if (span < 86400) {
    hour = Number(text, 11, 2);
    minute = Number(text, 14, 2);
  }
  int month = Number(text, 5, 2);
  int day = Number(text, 8, 2);
  if (!IsRealDate(Number(text, 0, 4), month, day) || hour > 23 || minute > 59 || second > 59) {
    return false;
  }
  first =
      DaysFromCivil(Number(text, 0, 4), month, day) * 86400 + hour * 3600 + minute * 60 + second;
  last = first + span - 1;
  return true;
}

std::string MarkLabel(std::string_view comment, double& offset) {
  std::string label;
  for (char c : comment.substr(1)) label += c == '\t' ? ' ' : c;
  size_t start = label.find_first_not_of(' ');
  label.erase(0, start == std::string::npos ? label.size() : start);
  while (!label.empty() && label.back() == ' ') label.pop_back();
  if (label.ends_with(" mode on") || label.ends_with(" mode off")) return label;
  if (comment.find("Offset:") == std::string_view::npos) return {};
  // As the logger reads it: the text after the first tab.
  size_t tab = comment.find('\t');
  double value = NumberValue(tab == std::string_view::npos ? comment : comment.substr(tab + 1));
  if (value == offset) return {};
  offset = value;
  return label;
}

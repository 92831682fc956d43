#include "logreader/log_record.hpp"

#include <cstdio>
#include <cstring>

#include "services/text_forms.hpp"

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
  int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
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
    if (Matches(rest, "99:99:99")) {
      std::string_view between = line.substr(10, delimiter - 10);
      r.stamped = true;
      r.date = line.substr(0, 10);
      r.time = rest.substr(0, 8);
      r.text = rest.substr(8);
      if (r.text.starts_with(between)) r.text.remove_prefix(between.size());
      // Most records share the date of the one before.
      thread_local char last_date[10] = {};
      thread_local int64_t last_days = 0;
      if (std::memcmp(last_date, line.data(), 10) != 0) {
        std::memcpy(last_date, line.data(), 10);
        last_days = DaysFromCivil(Number(line, 0, 4), Number(line, 5, 2), Number(line, 8, 2));
      }
      r.seconds = last_days * 86400 + Number(rest, 0, 2) * 3600 + Number(rest, 3, 2) * 60 +
                  Number(rest, 6, 2);
    }
  }
  if (PlainDecimal(r.text, r.value)) {
    r.kind = RecordKind::kReading;
  } else if (BeginsWithNumber(r.text)) {
    r.kind = RecordKind::kReading;
    r.value = NumberValue(r.text);
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
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59) {
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

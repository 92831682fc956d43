#pragma once
// One line of a brenmark log, taken apart: a reading with or without its
// date and time, a device comment, or the line that ends a run.
#include <cstdint>
#include <string>
#include <string_view>

enum class RecordKind { kReading, kNoNumber, kComment, kRunEnd, kEmpty };

struct Record {
  RecordKind kind = RecordKind::kEmpty;
  bool stamped = false;
  int64_t seconds = 0;    // stamped: the written local time, counted as if UTC
  std::string_view date;  // yyyy-mm-dd as written
  std::string_view time;  // hh:mm:ss as written
  double value = 0.0;     // kReading
  std::string_view text;  // the record's text after the stamp; a comment's whole line
};

// A line without its end. Every delimiter brenmark writes is understood
// (tab, ", ", ": ", blanks, none): the delimiter is what stands between the
// date and the time, and is taken off again after the time.
Record ReadRecord(std::string_view line);

// True when the text begins (after blanks) with a number as the logger reads
// numbers: sign, digits, point, exponent, or an &H/&O/&B/& radix form.
bool BeginsWithNumber(std::string_view text);

// Days from 1970-01-01 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t year, int month, int day);
// yyyy-mm-dd hh:mm:ss of a second count from DaysFromCivil's epoch.
std::string StampText(int64_t seconds);

// A --from/--to value, yyyy-mm-dd[Thh:mm[:ss]] (a blank may stand for the T):
// the first and the last second it names. False when malformed.
bool ReadTimeBound(std::string_view text, int64_t& first, int64_t& last);

// The label a comment line earns on the chart: a mode switched on or off, or a
// new degree offset (`offset` holds the last one seen). Empty for other lines.
std::string MarkLabel(std::string_view comment, double& offset);

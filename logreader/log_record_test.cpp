#include "logreader/log_record.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ReadRecord, EveryLayoutTheLoggerWrites) {
  struct Case {
    const char* line;
    RecordKind kind;
    const char* time;  // "" when not stamped
    double value;
  };
  const std::vector<Case> cases = {
      {"2013-10-08\t14:05:09\t72.5", RecordKind::kReading, "14:05:09", 72.5},
      {"2013-10-08, 14:05:09, 72.5", RecordKind::kReading, "14:05:09", 72.5},
      {"2013-10-08: 14:05:09: -3.25", RecordKind::kReading, "14:05:09", -3.25},
      {"2013-10-08   14:05:09   72.5", RecordKind::kReading, "14:05:09", 72.5},
      {"2013-10-0814:05:0972.5", RecordKind::kReading, "14:05:09", 72.5},
      {"2013-10-08\t14:05:09\t&H10", RecordKind::kReading, "14:05:09", 16},
      {"72.5", RecordKind::kReading, "", 72.5},
      {"  7.25D1 F", RecordKind::kReading, "", 72.5},
      {".5", RecordKind::kReading, "", 0.5},
      {"&7", RecordKind::kReading, "", 7},
      {"2013-10-08\t14:05:09\tready", RecordKind::kNoNumber, "14:05:09", 0},
      {"2013-10-08\t14:05:09\t", RecordKind::kNoNumber, "14:05:09", 0},
      {"+.", RecordKind::kNoNumber, "", 0},
      {"&Hxyz", RecordKind::kNoNumber, "", 0},
      {";Fahrenheit mode on", RecordKind::kComment, "", 0},
      {"Exit Code: 50 at 14:05:09 on 10-08-2013", RecordKind::kRunEnd, "", 0},
      {"", RecordKind::kEmpty, "", 0},
  };
  for (const Case& c : cases) {
    Record r = ReadRecord(c.line);
    EXPECT_EQ(r.kind, c.kind) << c.line;
    EXPECT_EQ(r.time, c.time) << c.line;
    EXPECT_EQ(r.stamped, *c.time != '\0') << c.line;
    if (c.kind == RecordKind::kReading) {
      EXPECT_EQ(r.value, c.value) << c.line;
    }
  }
  EXPECT_EQ(ReadRecord("2013-10-08\t14:05:09\t72.5").seconds, 1381241109);
}

// Out of a double's range is no reading, however it is written; the largest
// double and numbers too small to tell from 0 still are.
TEST(ReadRecord, NumbersOutOfRangeAreNoReading) {
  const std::string digits309(309, '7');
  const std::string zeros400(400, '0');
  struct Case {
    std::string text;
    bool reading;
    double value;
  };
  const std::vector<Case> cases = {
      {digits309, false, 0},
      {"-" + digits309, false, 0},
      {"1e309", false, 0},
      {"-1E309 F", false, 0},
      {"1d400", false, 0},
      {"0.000" + digits309 + "e312", false, 0},
      {"1.7976931348623159e308", false, 0},
      {"1e99999999999999999999", false, 0},
      {"1.7976931348623157e308", true, 1.7976931348623157e308},
      {"1.7976931348623157e308 C", true, 1.7976931348623157e308},
      {"1" + std::string(308, '0'), true, 1e308},
      {"0." + zeros400 + "1e400", true, 0.1},
      {"1e-400", true, 0},
      {zeros400 + "72.5", true, 72.5},
      {"0e999", true, 0},
      {"&HFFFFFFFFFFFFFFFFFF", true, -1},
  };
  for (const Case& c : cases) {
    for (const std::string& line : {c.text, "2013-10-08\t14:05:09\t" + c.text}) {
      Record r = ReadRecord(line);
      EXPECT_EQ(r.kind, c.reading ? RecordKind::kReading : RecordKind::kNoNumber) << line;
      if (c.reading) {
        EXPECT_EQ(r.value, c.value) << line;
      }
    }
  }
}

// A stamp is a real date and time or the line is unreadable: its digits are
// never a reading of an unstamped log.
TEST(ReadRecord, OnlyRealStampsStampALine) {
  for (const char* line : {
           "99999-01-01\t06:00:00\t72.5",
           "2026-13-01\t06:00:00\t72.5",
           "2026-02-29\t06:00:00\t72.5",
           "1900-02-29\t06:00:00\t72.5",
           "2026-04-31\t06:00:00\t72.5",
           "2026-12-00\t06:00:00\t72.5",
           "2026-12-09\t24:00:00\t72.5",
           "2026-12-09\t06:60:00\t72.5",
           "2026-12-09\t06:00:60\t72.5",
           "2026-12-09\t06:00\t72.5",
           "2026-12-09",
           "26-12-9\t06:00:00\t72.5",
       }) {
    Record r = ReadRecord(line);
    EXPECT_EQ(r.kind, RecordKind::kNoNumber) << line;
    EXPECT_FALSE(r.stamped) << line;
  }
  // The day cached from the line before must not lend the next one its validity.
  EXPECT_TRUE(ReadRecord("2024-02-29\t06:00:00\t1").stamped);
  EXPECT_FALSE(ReadRecord("2023-02-29\t06:00:00\t1").stamped);
  EXPECT_TRUE(ReadRecord("2024-02-29\t06:00:00\t1").stamped);
  // Every 400th year is a leap year after all.
  EXPECT_EQ(ReadRecord("2000-02-29\t06:00:00\t1").kind, RecordKind::kReading);
  EXPECT_EQ(ReadRecord("12-5").kind, RecordKind::kReading);
}

TEST(TimeBound, NamesTheSecondsItCovers) {
  int64_t first = 0, last = 0;
  ASSERT_TRUE(ReadTimeBound("2013-10-08", first, last));
  EXPECT_EQ(last - first, 86399);
  EXPECT_EQ(StampText(first), "2013-10-08 00:00:00");
  ASSERT_TRUE(ReadTimeBound("2013-10-08T14:05", first, last));
  EXPECT_EQ(StampText(last), "2013-10-08 14:05:59");
  // February closes StampText's year (a --once stale alarm's time).
  ASSERT_TRUE(ReadTimeBound("2024-02-29", first, last));
  EXPECT_EQ(StampText(last), "2024-02-29 23:59:59");
  for (const char* bad : {"2013-10-8", "2013-13-01", "2013-10-08T24:00", "2013-10-08T14:05:09x",
                          "2013-02-29", "2013-04-31T00:00"}) {
    EXPECT_FALSE(ReadTimeBound(bad, first, last)) << bad;
  }
}

TEST(MarkLabel, ModeSwitchesAndNewOffsetsOnly) {
  double offset = 0.0;
  const std::vector<std::pair<const char*, const char*>> lines = {
      {";Fahrenheit mode on", "Fahrenheit mode on"},
      {";Fahrenheit:\ton", ""},
      {";Offset:\t0", ""},
      {";Offset:\t0.75", "Offset: 0.75"},
      {";Offset:\t0.75", ""},  // a status listing repeats it
      {";EEPROM mode on at next restart", ""},
  };
  for (const auto& [line, label] : lines) EXPECT_EQ(MarkLabel(line, offset), label) << line;
}

}  // namespace

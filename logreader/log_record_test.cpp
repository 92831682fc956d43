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

TEST(TimeBound, NamesTheSecondsItCovers) {
  int64_t first = 0, last = 0;
  ASSERT_TRUE(ReadTimeBound("2013-10-08", first, last));
  EXPECT_EQ(last - first, 86399);
  EXPECT_EQ(StampText(first), "2013-10-08 00:00:00");
  ASSERT_TRUE(ReadTimeBound("2013-10-08T14:05", first, last));
  EXPECT_EQ(StampText(last), "2013-10-08 14:05:59");
  for (const char* bad : {"2013-10-8", "2013-13-01", "2013-10-08T24:00", "2013-10-08T14:05:09x"}) {
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

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "tests/support/temp_dir.hpp"
#include "watcher/event_output.hpp"
#include "watcher/log_source.hpp"
#include "watcher/watch_options.hpp"
#include "watcher/watch_run.hpp"

namespace {

struct OnceCase {
  const char* name;
  std::vector<std::string> options;
  std::string log;  // lines joined by CR LF, as brenmark writes them
  std::string events;
};

// A stamped record: 2026-12-09<TAB>hh:mm:ss<TAB>text.
std::string At(const char* time, const char* text) {
  return std::string("2026-12-09\t") + time + "\t" + text + "\r\n";
}

const OnceCase kCases[] = {
    {"DelayMet",
     {"--high", "8", "--delay", "2m"},
     At("06:00:00", "8.5") + At("06:01:00", "8.6") + At("06:02:00", "8.70") + At("06:03:00", "9"),
     "2026-12-09T06:02:00,raise,high,8.70,8\n"},
    {"DelayNotMetARunEndsAtTheLimit",
     {"--high", "8", "--delay", "120"},
     At("06:00:00", "8.5") + At("06:01:00", "8.6") + At("06:02:00", "8") + At("06:03:00", "8.1") +
         At("06:04:30", "8.2"),
     ""},
    {"MarginReachedExactly",
     {"--high", "0.3", "--margin", "0.2"},
     At("06:00:00", "0.31") + At("06:01:00", "0.11") + At("06:02:00", "0.1") +
         At("06:03:00", "0.4"),
     "2026-12-09T06:00:00,raise,high,0.31,0.3\n2026-12-09T06:02:00,clear,high,0.1,0.3\n"
     "2026-12-09T06:03:00,raise,high,0.4,0.3\n"},
    {"LowMarginReachedExactly",
     {"--low", "-18", "--margin", "1"},
     At("06:00:00", "-18.5") + At("06:01:00", "-17.5") + At("06:02:00", "-17") +
         At("06:03:00", "-18.25"),
     "2026-12-09T06:00:00,raise,low,-18.5,-18\n2026-12-09T06:02:00,clear,low,-17,-18\n"
     "2026-12-09T06:03:00,raise,low,-18.25,-18\n"},
    {"LowAndHighWithCommentsBetween",
     {"--low", "-18", "--high", "-10.5", "--delay", "60"},
     At("06:00:00", "-17.2") + At("06:01:00", "-18.5") + "; Celsius mode on\r\n" +
         At("06:01:30", "ERR no data") + "Exit Code: 51\r\n" + At("06:02:00", "-18.25 C") +
         At("06:03:00", "-18.0") + At("06:04:00", "-9") + At("06:05:00", "-9.5"),
     "2026-12-09T06:02:00,raise,low,-18.25,-18\n2026-12-09T06:03:00,clear,low,-18.0,-18\n"
     "2026-12-09T06:05:00,raise,high,-9.5,-10.5\n"},
    {"StaleGapsAndItsClearFirst",
     {"--stale", "5m", "--high", "8"},
     At("06:00:00", "7") + At("06:05:00", "7") + "; a comment is no reading\r\n" +
         At("06:11:00", "9") + At("06:12:00", "7"),
     "2026-12-09T06:10:00,raise,stale,,300\n2026-12-09T06:11:00,clear,stale,,300\n"
     "2026-12-09T06:11:00,raise,high,9,8\n2026-12-09T06:12:00,clear,high,7,8\n"},
    {"RepeatsWhileRaised",
     {"--high", "8", "--repeat", "10m"},
     At("06:00:00", "9") + At("06:05:00", "9.1") + At("06:10:00", "9.2") + At("06:12:00", "7"),
     "2026-12-09T06:00:00,raise,high,9,8\n2026-12-09T06:10:00,repeat,high,9.2,8\n"
     "2026-12-09T06:12:00,clear,high,7,8\n"},
    {"NoStampsNoTimesNoDelay",
     {"--high", "8", "--delay", "1h", "--stale", "1s"},
     "7.5\r\n8.5\r\n8.5\r\n7\r\n",
     ",raise,high,8.5,8\n,clear,high,7,8\n"},
};

class WatchOnceTable : public testing::TestWithParam<OnceCase> {};

TEST_P(WatchOnceTable, ExactEventLines) {
  const OnceCase& c = GetParam();
  TempDir dir;
  std::vector<std::string> args = c.options;
  args.push_back("--once");
  args.push_back(dir.Write("therm.log", c.log));
  WatchOptions options;
  std::string error;
  ASSERT_TRUE(ScanWatchOptions(args, options, error)) << error;
  LogSource source;
  ASSERT_TRUE(ReadLogSource(options.source, source, error)) << error;
  EventOutput output;
  output.SetStandardOutput(false);
  ASSERT_TRUE(output.OpenAlarmLog(dir.Path("alarms.txt"), error)) << error;
  testing::internal::CaptureStderr();
  bool raised = WatchOnce(options, source, output);
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(ReadWholeFile(dir.Path("alarms.txt")), c.events);
  EXPECT_EQ(raised, c.events.find(",raise,") != std::string::npos);
  bool stamped = c.log.starts_with("2026");
  EXPECT_EQ(said.find("without date and time") != std::string::npos, !stamped) << said;
}

INSTANTIATE_TEST_SUITE_P(Cases, WatchOnceTable, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WatchOptions, DurationsAndRefusals) {
  struct {
    const char* text;
    int64_t seconds;  // -1: refused
  } durations[] = {{"90", 90},    {"90s", 90}, {"15m", 900}, {"2h", 7200},
                   {"1d", 86400}, {"", -1},    {"1.5h", -1}, {"-5", -1},
                   {"5x", -1},    {"h", -1},   {"5mm", -1},  {"99999999999d", -1}};
  for (const auto& d : durations) {
    int64_t seconds = -1;
    bool read = ReadDuration(d.text, seconds);
    EXPECT_EQ(read ? seconds : -1, d.seconds) << d.text;
  }
  const std::vector<std::vector<std::string>> refused = {
      {},
      {"a.log", "b.log"},
      {"--high", "eight", "a.log"},
      {"--high", "nan", "a.log"},
      {"--high", "0x10", "a.log"},
      {"--high", "8,5", "a.log"},
      {"--low", "9", "--high", "8", "a.log"},
      {"--margin", "-1", "a.log"},
      {"--stale", "0", "a.log"},
      {"--delay", "a.log"},
      {"--once=yes", "a.log"},
      {"--bogus", "a.log"},
  };
  for (const auto& args : refused) {
    WatchOptions options;
    std::string error;
    EXPECT_FALSE(ScanWatchOptions(args, options, error)) << testing::PrintToString(args);
    EXPECT_FALSE(error.empty());
  }
  // One limit for both alarms is no contradiction.
  WatchOptions options;
  std::string error;
  EXPECT_TRUE(ScanWatchOptions({"--low", "8", "--high", "8.0", "a.log"}, options, error)) << error;
}

// A full disk under the alarm log is said, once, not passed over.
TEST(EventOutput, AnAlarmLogThatCannotBeWrittenIsSaidOnce) {
  if (!FileExists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  EventOutput output;
  output.SetStandardOutput(false);
  std::string error;
  ASSERT_TRUE(output.OpenAlarmLog("/dev/full", error)) << error;
  testing::internal::CaptureStderr();
  output.Write({"2026-12-09T06:00:00", "raise", "high", "9", "8"});
  output.Write({"2026-12-09T06:01:00", "clear", "high", "7", "8"});
  std::string said = testing::internal::GetCapturedStderr();
  size_t first = said.find("cannot write the alarm log /dev/full");
  EXPECT_NE(first, std::string::npos) << said;
  EXPECT_EQ(said.find("cannot write", first + 1), std::string::npos) << said;
  EXPECT_EQ(output.Last().size(), 2u);
}

}  // namespace

// Following a log as it is written, on a clock the test moves. Each pass of
// the watch asks twice whether to stop, before it reads and after it has
// drawn; before it reads, the script's next step happens: the clock moves to
// its time and its lines are appended (a comment line when it has none, so
// that the wait for a change ends at once).
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "services/time/clock.hpp"
#include "tests/support/temp_dir.hpp"
#include "watcher/watch_run.hpp"

namespace {

// 2026-12-09 06:00:00 at 0.
class ScriptClock final : public Clock {
 public:
  LocalTime Now() override {
    int64_t s = micros / 1000000;
    return {2026, 12, 9, 6 + int(s / 3600), int(s / 60 % 60), int(s % 60), true};
  }
  int64_t MonotonicMicros() override { return micros; }
  void SleepMs(int ms) override { micros += int64_t{ms} * 1000; }
  int64_t micros = 0;
};

class LastScreen final : public LiveScreen {
 public:
  void Add(int64_t, double) override { ++readings; }
  void Show(const ScreenState& state) override { shown = state; }
  ScreenState shown;
  int readings = 0;
};

struct Step {
  int at_ms;
  std::string lines;
};

struct FollowCase {
  const char* name;
  std::vector<std::string> options;
  std::vector<Step> steps;
  std::string events;
  std::string screen;                  // last, minimum and maximum reading shown
  std::string before = "; started\n";  // the log when the watch starts
};

const FollowCase kCases[] = {
    {"StaleOnlyAfterAGapLongerThanItsTime",
     {"--stale", "2", "--high", "8"},
     {{1000, "7\n"},
      {2400, ""},
      {2500, "7\n"},
      {3900, ""},
      {4000, "7\n"},
      {5500, ""},
      {6100, ""},
      {7000, "9\n"}},
     "2026-12-09T06:00:06,raise,stale,,2\n2026-12-09T06:00:07,clear,stale,,2\n"
     "2026-12-09T06:00:07,raise,high,9,8\n",
     "9 7 9"},
    {"ReadingsWithoutStampsTimedByTheirArrival",
     {"--high", "8", "--delay", "60"},
     {{500, "9\n"}, {30000, "9\n"}, {60400, "9\n"}, {61000, "9\n"}},
     "2026-12-09T06:01:00,raise,high,9,8\n",
     "9 9 9"},
    {"StampedReadingsTimedByTheirStamps",
     {"--high", "8", "--delay", "60"},
     {{500, "2026-12-09\t05:00:00\t9\r\n"}, {1000, "2026-12-09\t05:01:00\t9.5\r\n"}},
     "2026-12-09T05:01:00,raise,high,9.5,8\n",
     "9.5 9 9.5"},
    {"FromStartReadsWhatIsThere",
     {"--from-start", "--high", "8"},
     {{1000, ""}},
     "2026-12-09T06:00:01,raise,high,9,8\n",
     "9 7 9",
     "7\n9\n"},
    {"RepeatsByTheClockNotTheStamps",
     {"--high", "8", "--repeat", "10"},
     {{500, "2026-12-09\t05:59:30\t9\r\n"},
      {5000, ""},
      {9900, ""},
      {10100, ""},
      {20000, "2026-12-09\t05:59:50\t8.5\r\n"},
      {20500, "2026-12-09\t05:59:51\t7\r\n"}},
     "2026-12-09T05:59:30,raise,high,9,8\n2026-12-09T06:00:10,repeat,high,9,8\n"
     "2026-12-09T06:00:20,repeat,high,8.5,8\n2026-12-09T05:59:51,clear,high,7,8\n",
     "7 7 9"},
};

void PrintTo(const FollowCase& c, std::ostream* out) {
  *out << c.name;
}

class WatchFollowTable : public testing::TestWithParam<FollowCase> {};

TEST_P(WatchFollowTable, EventLinesAndTheScreen) {
  const FollowCase& c = GetParam();
  TempDir dir;
  std::string log = dir.Write("therm.log", c.before);
  std::vector<std::string> args = c.options;
  args.push_back(log);
  WatchOptions options;
  LogSource source;
  std::string error;
  ASSERT_TRUE(ScanWatchOptions(args, options, error)) << error;
  ASSERT_TRUE(ReadLogSource(options.source, source, error)) << error;
  EventOutput output;
  output.SetStandardOutput(false);
  ASSERT_TRUE(output.OpenAlarmLog(dir.Path("alarms.txt"), error)) << error;
  ScriptClock clock;
  SetClock(&clock);
  LastScreen screen;
  size_t asked = 0, next = 0;
  WatchFollowing(options, source, output, &screen, [&] {
    if (asked++ % 2 == 1) return false;
    if (next == c.steps.size()) return true;
    const Step& step = c.steps[next++];
    clock.micros = std::max(clock.micros, int64_t{step.at_ms} * 1000);
    std::ofstream(log, std::ios::binary | std::ios::app)
        << (step.lines.empty() ? ";\n" : step.lines);
    return false;
  });
  SetClock(nullptr);
  EXPECT_EQ(ReadWholeFile(dir.Path("alarms.txt")), c.events);
  // The screen shows the last events and the readings as the log wrote them.
  std::string shown;
  for (const std::string& line : screen.shown.events) shown += line + "\n";
  EXPECT_EQ(shown, c.events);
  EXPECT_EQ(screen.shown.log, log);
  EXPECT_EQ(screen.shown.last_value + " " + screen.shown.minimum + " " + screen.shown.maximum,
            c.screen);
  EXPECT_GT(screen.readings, 0);
  EXPECT_TRUE(screen.shown.has_reading);
}

INSTANTIATE_TEST_SUITE_P(Cases, WatchFollowTable, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

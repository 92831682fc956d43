#include "watcher/shipping/shipping_command.hpp"

#include <gtest/gtest.h>

namespace {

// The alarms' side of a command line read back as arguments, in a fixed
// order, for the options these cases give.
std::vector<std::string> AlarmArguments(const WatchOptions& watch) {
  std::vector<std::string> args;
  if (watch.high) args.insert(args.end(), {"--high", watch.high->text});
  if (watch.once) args.push_back("--once");
  if (!watch.command.empty()) args.insert(args.end(), {"--exec", watch.command});
  if (!watch.alarm_log.empty()) args.insert(args.end(), {"--alarm-log", watch.alarm_log});
  if (watch.source.starts_with("-")) args.push_back("--");
  args.push_back(watch.source);
  return args;
}

TEST(ScanCommandLineTest, OursTakenTheAlarmsLeftWithTheirValues) {
  struct Case {
    std::vector<std::string> args;
    std::string influx;  // "!": refused
    std::vector<std::pair<std::string, std::string>> tags;
    std::vector<std::string> rest;  // the alarms' side
  };
  const Case cases[] = {
      {{"--influx", "http://db/write?db=a", "--high", "8", "lab.ini"},
       "http://db/write?db=a",
       {},
       {"--high", "8", "lab.ini"}},
      {{"--influx=http://x/write?db=a", "--tag", "room=b 12", "--tag=host=pc7", "--once", "s.txt"},
       "http://x/write?db=a",
       {{"room", "b 12"}, {"host", "pc7"}},
       {"--once", "s.txt"}},
      // An alarm command that reads like one of ours stays the alarm's.
      {{"--exec", "--influx", "--alarm-log", "--tag", "s.txt"},
       "",
       {},
       {"--exec", "--influx", "--alarm-log", "--tag", "s.txt"}},
      {{"--", "--influx"}, "", {}, {"--", "--influx"}},
      {{"--tag", "novalue", "s.txt"}, "!", {}, {}},
      {{"--tag", "=v", "s.txt"}, "!", {}, {}},
      {{"s.txt", "--influx"}, "!", {}, {}},
      {{"--state=", "s.txt"}, "!", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    WatchOptions watch;
    ShipOptions options;
    std::string error;
    bool scanned = ScanCommandLine(c.args, watch, options, error);
    EXPECT_EQ(scanned, c.influx != "!") << error;
    if (!scanned) continue;
    EXPECT_EQ(options.influx, c.influx);
    EXPECT_EQ(options.tags, c.tags);
    EXPECT_EQ(AlarmArguments(watch), c.rest);
  }
}

// A refused shipping option is what brenwatch reports, wherever it stands
// among refused alarm options.
TEST(ScanCommandLineTest, WhichRefusalIsReported) {
  struct Case {
    std::vector<std::string> args;
    std::string error;
  };
  const Case cases[] = {
      {{"--high", "x", "--tag", "novalue", "s.txt"},
       "--tag novalue: give KEY=VALUE, neither empty"},
      {{"--bogus", "--once=1", "--state="}, "option --state needs a value"},
      {{"--measurement=", "--tag", "=v"}, "option --measurement needs a value"},
      {{"--delay", "--influx", "--window", "0", "s.txt"}, "--delay: not a duration: --influx"},
      {{"--bogus", "--high", "x", "s.txt"}, "unknown option --bogus"},
      {{"--influx=u", "--high", "9", "--low", "10", "s.txt"}, "--low 10 is above --high 9"},
      {{"--help", "--influx"}, "option --influx needs a value"},
      {{"--influx", "u"}, "no SOURCE given"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    WatchOptions watch;
    ShipOptions options;
    std::string error;
    EXPECT_FALSE(ScanCommandLine(c.args, watch, options, error));
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace

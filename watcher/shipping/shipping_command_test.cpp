#include "watcher/shipping/shipping_command.hpp"

#include <gtest/gtest.h>

namespace {

TEST(SplitShipOptionsTest, OursTakenTheAlarmsLeftWithTheirValues) {
  struct Case {
    std::vector<std::string> args;
    std::string influx;  // "!": refused
    std::vector<std::pair<std::string, std::string>> tags;
    std::vector<std::string> rest;
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
    ShipOptions options;
    std::vector<std::string> rest;
    std::string error;
    bool split = SplitShipOptions(c.args, options, rest, error);
    EXPECT_EQ(split, c.influx != "!") << error;
    if (!split) continue;
    EXPECT_EQ(options.influx, c.influx);
    EXPECT_EQ(options.tags, c.tags);
    EXPECT_EQ(rest, c.rest);
  }
}

}  // namespace

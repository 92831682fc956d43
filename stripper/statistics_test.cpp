#include "stripper/statistics.hpp"

#include <gtest/gtest.h>

namespace {

struct StatsCase {
  const char* name;
  bool split, retain;
  StripCounters counters;
  std::vector<std::string> lines;
};

TEST(StatisticsLines, OptionalLinesAndOutputTotal) {
  const StatsCase cases[] = {
      {"empty pass",
       false,
       false,
       {},
       {"", "    Total Lines: 0", "Semicolon Lines: 0", "   Output Lines: 0"}},
      {"blanks dropped",
       false,
       false,
       {3, 0, 2, 5, 0},
       {"", "    Total Lines: 10", "Semicolon Lines: 3", "    Blank Lines: 2",
        "   Output Lines: 5"}},
      {"blanks retained",
       false,
       true,
       {3, 0, 2, 5, 0},
       {"", "    Total Lines: 10", "Semicolon Lines: 3", "    Blank Lines: 2",
        "   Output Lines: 7"}},
      {"cut lines",
       true,
       false,
       {4, 3, 0, 5, 0},
       {"", "    Total Lines: 9", "Semicolon Lines: 4", "  Partial Lines: 3",
        "   Output Lines: 8"}},
      {"split without cuts",
       true,
       false,
       {1, 0, 0, 2, 0},
       {"", "    Total Lines: 3", "Semicolon Lines: 1", "   Output Lines: 2"}},
      {"past 32 bits",
       false,
       false,
       {0, 0, 0, 5000000000, 0},
       {"", "    Total Lines: 5000000000", "Semicolon Lines: 0", "   Output Lines: 5000000000"}},
  };
  for (const StatsCase& c : cases) {
    SCOPED_TRACE(c.name);
    StripSettings s;
    s.SplitLine = c.split ? kOn : kOff;
    s.Retain = c.retain ? kOn : kOff;
    EXPECT_EQ(StatisticsLines(s, c.counters), c.lines);
  }
}

}  // namespace

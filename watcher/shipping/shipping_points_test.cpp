#include "watcher/shipping/shipping_points.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

TEST(PointPrefixTest, EscapesWhatTheLineProtocolRequiresAndRefusesTheRest) {
  struct Case {
    std::string measurement;
    std::vector<std::pair<std::string, std::string>> tags;
    std::string prefix;  // empty: refused
  };
  const Case cases[] = {
      {"temperature",
       {{"sensor", "fridge2"}, {"host", "lab3"}},
       "temperature,host=lab3,sensor=fridge2 value="},
      {"cold room", {{"a b", "c,d=e"}}, "cold\\ room,a\\ b=c\\,d\\=e value="},
      {"t,x", {{"k", "C:\\logs\\a"}}, "t\\,x,k=C:\\logs\\a value="},
      {"t=1", {}, "t=1 value="},
      {"t", {{"sensor", "a"}, {"host", "h"}, {"sensor", "b"}}, "t,host=h,sensor=b value="},
      {"", {}, ""},
      {"#t", {}, ""},
      {"t", {{"k", "ends\\"}}, ""},
      {"t", {{"k", "two\nlines"}}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.measurement);
    std::string prefix, error;
    bool made = PointPrefix(c.measurement, c.tags, prefix, error);
    EXPECT_EQ(made, !c.prefix.empty()) << error;
    if (made) {
      EXPECT_EQ(prefix, c.prefix);
    }
  }
}

// A zone one hour ahead of UTC in winter, two in summer; summer time
// 2026-03-29 02:00 -> 03:00 and 2026-10-25 03:00 -> 02:00 (local).
constexpr int64_t kSpringJump = 1774749600;  // 2026-03-29 02:00:00 local, counted as UTC
constexpr int64_t kAutumnBack = 1792890000;  // 2026-10-25 02:00:00 local, counted as UTC
int Rules(int64_t local, int64_t utc[2]) {
  if (local >= kAutumnBack && local < kAutumnBack + 3600) {
    utc[0] = local - 7200;
    utc[1] = local - 3600;
    return 2;
  }
  bool summer = local >= kSpringJump && local < kAutumnBack;
  utc[0] = local - (summer ? 7200 : 3600);
  return 1;
}

TEST(StamperTest, MillisecondsDependOnTheLogOnly) {
  struct Case {
    const char* name;
    std::vector<int64_t> locals;    // stamps in file order
    std::vector<int64_t> expected;  // UTC milliseconds
  };
  const int64_t b = kAutumnBack;
  const Case cases[] = {
      {"same second counts up",
       {1000, 1000, 1000, 1001, 1001},
       {-2600000, -2599999, -2599998, -2599000, -2598999}},
      {"repeated hour: first, then second after going back",
       {b - 1, b + 1800, b + 3599, b + 10, b + 3599, b + 3600},
       {(b - 1 - 7200) * 1000, (b + 1800 - 7200) * 1000, (b + 3599 - 7200) * 1000,
        (b + 10 - 3600) * 1000, (b + 3599 - 3600) * 1000, (b + 3600 - 3600) * 1000}},
      {"both occurrences of one wall second are two seconds",
       {b + 5, b + 5, b + 4, b + 5},
       {(b + 5 - 7200) * 1000, (b + 5 - 7200) * 1000 + 1, (b + 4 - 3600) * 1000,
        (b + 5 - 3600) * 1000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Stamper whole(Rules);
    std::vector<int64_t> got;
    for (int64_t local : c.locals) got.push_back(whole.Stamped(local));
    EXPECT_EQ(got, c.expected);
    // Stopped after any reading and started again on the remembered memory.
    for (size_t cut = 1; cut < c.locals.size(); ++cut) {
      Stamper before(Rules);
      for (size_t i = 0; i < cut; ++i) before.Stamped(c.locals[i]);
      Stamper after(Rules);
      after.memory() = before.memory();
      for (size_t i = cut; i < c.locals.size(); ++i)
        EXPECT_EQ(after.Stamped(c.locals[i]), c.expected[i]) << cut;
    }
  }
}

int rule_calls = 0;
int CountedRules(int64_t local, int64_t utc[2]) {
  ++rule_calls;
  return Rules(local, utc);
}

// A backlog ships fast because an ordinary hour asks the zone rules only for
// its first and last second.
TEST(StamperTest, AnOrdinaryHourAsksTheZoneRulesTwice) {
  Stamper stamper(CountedRules);
  rule_calls = 0;
  for (int64_t s = 0; s < 3600; s += 10) stamper.Stamped(kSpringJump + 7200 + s);
  EXPECT_EQ(rule_calls, 2);
}

TEST(StamperTest, NoTwoReadingsEverBecomeOnePoint) {
  struct Case {
    const char* name;
    std::vector<int64_t> locals;  // stamps in file order (UTC zone)
    std::vector<int64_t> first;   // the first milliseconds expected
  };
  std::vector<int64_t> burst(2500, 10);  // more readings than a second has milliseconds
  burst.insert(burst.end(), {11, 12, 12, 13, 9, 10});
  // Long after a burst, a clock set back finds room in its own second.
  std::vector<int64_t> after_burst(2000, 10);
  for (int64_t s = 11; s <= 20; ++s) after_burst.push_back(s);
  after_burst.insert(after_burst.end(), {15, 16});
  // More runs of seconds than are told apart, gone over again.
  std::vector<int64_t> runs;
  for (int64_t pass = 0; pass < 2; ++pass) {
    for (int64_t s = 0; s < 300; ++s) runs.insert(runs.end(), static_cast<size_t>(s % 3 + 1), 1000 + s * 2);
  }
  const Case cases[] = {
      {"stamps that go back keep their second", {5, 6, 5, 6, 7, 4, 5}, {5000, 6000, 5001, 6001, 7000, 4000, 5002}},
      {"a full second spills to the next with room", burst, {10000, 10001}},
      {"back and forth", {100, 101, 100, 100, 99, 101, 102}, {100000, 101000, 100001, 100002, 99000, 101001, 102000}},
      {"a burst is forgotten by the seconds after it", after_burst, {}},
      {"runs joined keep every millisecond given", runs, {1000000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Stamper whole([](int64_t local, int64_t utc[2]) { return utc[0] = local, 1; });
    std::vector<int64_t> got;
    for (int64_t local : c.locals) got.push_back(whole.Stamped(local));
    EXPECT_EQ(std::vector<int64_t>(got.begin(), got.begin() + c.first.size()), c.first);
    // Every point in the second it was stamped while that second has room.
    std::map<int64_t, int> placed;
    for (size_t i = 0; i < got.size(); ++i) {
      if (placed[c.locals[i]] < 1000) {
        EXPECT_EQ(got[i] / 1000, c.locals[i]) << i;
      }
      ++placed[got[i] / 1000];
    }
    std::vector<int64_t> sorted = got;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
    // The same milliseconds after a restart at any reading.
    for (size_t cut = 1; cut < c.locals.size(); cut += 97) {
      Stamper before([](int64_t local, int64_t utc[2]) { return utc[0] = local, 1; });
      for (size_t i = 0; i < cut; ++i) before.Stamped(c.locals[i]);
      Stamper after([](int64_t local, int64_t utc[2]) { return utc[0] = local, 1; });
      after.memory() = before.memory();
      for (size_t i = cut; i < c.locals.size(); ++i) ASSERT_EQ(after.Stamped(c.locals[i]), got[i]);
    }
  }
}

TEST(StamperTest, UnstampedReadingsNeverShareAMillisecond) {
  Stamper stamper(Rules);
  EXPECT_EQ(stamper.Unstamped(5000), 5000);
  EXPECT_EQ(stamper.Unstamped(5000), 5001);
  EXPECT_EQ(stamper.Unstamped(4990), 5002);
  EXPECT_EQ(stamper.Unstamped(9000), 9000);
}

}  // namespace

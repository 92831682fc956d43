#include "services/text/text_forms.hpp"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

namespace {

class FixedClock : public Clock {
 public:
  explicit FixedClock(LocalTime t) : t_(t) {}
  LocalTime Now() override { return t_; }
  int64_t MonotonicMicros() override { return 0; }
  void SleepMs(int) override {}

 private:
  LocalTime t_;
};

TEST(DateTimeText, FormsOfAGivenTime) {
  struct Case {
    LocalTime t;
    const char* date;
    const char* time;
  };
  const Case cases[] = {
      {{2014, 2, 1, 21, 5, 0, true}, "02-01-2014", "21:05:00"},
      {{2021, 3, 15, 7, 5, 9, true}, "03-15-2021", "07:05:09"},
      {{1999, 12, 31, 23, 59, 59, true}, "12-31-1999", "23:59:59"},
      {{2000, 1, 1, 0, 0, 0, true}, "01-01-2000", "00:00:00"},
      {{2021, 3, 15, 7, 5, 9, false}, "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DateTextOf(c.t), c.date);
    EXPECT_EQ(TimeTextOf(c.t), c.time);
  }
}

TEST(DateTimeText, ReadTheCurrentClock) {
  FixedClock clock({2014, 2, 1, 21, 5, 0, true});
  SetClock(&clock);
  EXPECT_EQ(DateText(), "02-01-2014");
  EXPECT_EQ(TimeText(), "21:05:00");
  FixedClock broken({});
  SetClock(&broken);
  EXPECT_EQ(DateText(), "");
  EXPECT_EQ(TimeText(), "");
  SetClock(nullptr);
  EXPECT_EQ(DateText().size(), 10u);
  EXPECT_EQ(TimeText().size(), 8u);
}

TEST(NumberText, IntegersAndSingles) {
  EXPECT_EQ(IntText(0), "0");
  EXPECT_EQ(IntText(5), "5");
  EXPECT_EQ(IntText(-12), "-12");
  EXPECT_EQ(IntText(2147483647), "2147483647");
  EXPECT_EQ(IntText(INT64_MIN), "-9223372036854775808");

  const std::pair<float, const char*> singles[] = {
      {21.5f, "21.5"},         {0.5f, "0.5"},
      {-1.25f, "-1.25"},       {100.0f, "100"},
      {20.0f, "20"},           {-0.5f, "-0.5"},
      {1234567.8f, "1234568"}, {0.0f, "0"},
      {72.3f, "72.3"},         {12345678.0f, "1.234568e+07"},
      {0.0001f, "0.0001"},     {0.00001f, "1e-05"},
      {0.1f, "0.1"},
  };
  for (const auto& [value, text] : singles) EXPECT_EQ(SingleText(value), text) << text;
}

TEST(NumberValue, Table) {
  const std::pair<const char*, double> cases[] = {
      // Examples users rely on.
      {" 24", 24},
      {"1.5xyz", 1.5},
      {"-3", -3},
      {"&HFF", 255},
      {"&O10", 8},
      {"&B101", 5},
      {"1D3", 1000},
      {"abc", 0},
      {"", 0},
      // Blanks: only character 32 is skipped.
      {"    ", 0},
      {"\t5", 0},
      {"  -2.5", -2.5},
      {"- 5", 0},
      // Radix forms.
      {"&hff", 255},
      {"&o17", 15},
      {"&b1102", 6},
      {"&17", 15},
      {"&8", 0},
      {"&H", 0},
      {"&", 0},
      {"&HG", 0},
      {" &H10", 16},
      {"&HFFFFFFFFFFFFFFFF", -1},
      {"&H7FFFFFFF", 2147483647},
      {"&H1FFFFFFFFFFFFFFFF", -1},
      // Decimal prefixes.
      {".5", 0.5},
      {"5.", 5},
      {"-.5", -0.5},
      {"+7", 7},
      {".", 0},
      {"-", 0},
      {"+.", 0},
      {"1e3", 1000},
      {"1E-2", 0.01},
      {"1d-2", 0.01},
      {"2.5D+2", 250},
      {"1e", 1},
      {"1e+", 1},
      {"1ex", 1},
      {"3.25e2x", 325},
      {"12,5", 12},
      {"007", 7},
      {"1.2.3", 1.2},
      {"72.5\t;comment", 72.5},
      // What library parsers accept and these texts must not.
      {"inf", 0},
      {"-infinity", 0},
      {"nan", 0},
      {"0x1A", 0},
      {"0X10", 0},
      {"1e999", DBL_MAX},
      {"-1e999", -DBL_MAX},
      {"1e-999", 0},
  };
  for (const auto& [text, value] : cases) {
    EXPECT_DOUBLE_EQ(NumberValue(text), value) << '"' << text << '"';
  }
}

TEST(NumberValue, KeepsFullPrecision) {
  EXPECT_EQ(NumberValue("0.1"), 0.1);
  EXPECT_EQ(NumberValue("123456789.123456789"), 123456789.123456789);
  EXPECT_EQ(NumberValue("9007199254740993"), 9007199254740992.0);
  EXPECT_TRUE(std::signbit(NumberValue("-0")));
}

}  // namespace

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "watcher/screen.hpp"
#include "watcher/screen_text.hpp"

namespace {

// 2026-12-09T05:00:00 counted as if UTC.
constexpr int64_t kStart = 1796792400;

std::vector<std::string> Lines(const std::string& screen) {
  std::vector<std::string> lines;
  std::istringstream in(screen);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

ScreenState SampleState() {
  ScreenState state;
  state.log = "/var/log/brenmark/lab003.log";
  state.has_reading = true;
  state.last_value = "0.0";
  state.last_time = "2026-12-09T05:59:50";
  state.minimum = "-20.5";
  state.maximum = "8.5";
  state.alarms = {{"high", "8", true, "2026-12-09T05:30:00"},
                  {"low", "-25", false, ""},
                  {"stale", "900", false, "2026-12-09T05:10:00"}};
  for (int i = 0; i < 6; ++i)
    state.events.push_back("2026-12-09T05:3" + std::to_string(i) + ":00,raise,high,8.5,8");
  return state;
}

// An hour of readings every ten seconds at 0.0, with one spike to 8.5 half
// way and one dip to -20.5 at five sixths.
ChartWindow SampleChart() {
  ChartWindow chart(3600);
  for (int64_t second = 0; second < 3600; second += 10) {
    double value = second == 1800 ? 8.5 : second == 3000 ? -20.5 : 0.0;
    chart.Add(kStart + second, value);
  }
  return chart;
}

TEST(DrawScreen, EverythingFitsAndTheChartIsScaled) {
  const struct { int columns, rows; } sizes[] = {{80, 24}, {132, 40}};
  ScreenState state = SampleState();
  ChartWindow chart = SampleChart();
  for (auto size : sizes) {
    SCOPED_TRACE(std::to_string(size.columns) + "x" + std::to_string(size.rows));
    std::string screen = DrawScreen(state, chart, size.columns, size.rows);
    std::vector<std::string> lines = Lines(screen);
    ASSERT_LE(lines.size(), static_cast<size_t>(size.rows));
    for (const std::string& line : lines) EXPECT_LE(CellCount(line), size.columns) << line;
    EXPECT_NE(screen.find("lab003.log"), std::string::npos);
    EXPECT_NE(screen.find("Last 0.0 at 2026-12-09T05:59:50"), std::string::npos);
    EXPECT_NE(screen.find("min -20.5"), std::string::npos);
    EXPECT_NE(screen.find("max 8.5"), std::string::npos);
    EXPECT_NE(screen.find("ALARM  high > 8"), std::string::npos);
    EXPECT_NE(screen.find("since 2026-12-09T05:30:00"), std::string::npos);
    EXPECT_NE(screen.find("clear  low < -25\n"), std::string::npos);
    // The newest event is always among those shown.
    EXPECT_NE(screen.find(state.events.back()), std::string::npos);

    // Plot rows are those with a '|' axis; the first holds the spike, the
    // last the dip, each at its time's column.
    std::vector<std::string> plot;
    for (const std::string& line : lines) {
      if (line.find('|') != std::string::npos) plot.push_back(line);
    }
    ASSERT_GE(plot.size(), 5u);
    EXPECT_EQ(plot.front().substr(0, plot.front().find('|')).find("8.5"),
              plot.front().find('|') - 3);
    EXPECT_NE(plot.back().find("-20.5|"), std::string::npos);
    size_t axis = plot.front().find('|');
    double width = static_cast<double>(plot.front().size() - axis - 1);
    size_t spike = plot.front().find('#');
    size_t dip = plot.back().find('#');
    ASSERT_NE(spike, std::string::npos);
    ASSERT_NE(dip, std::string::npos);
    EXPECT_NEAR(static_cast<double>(spike - axis - 1), width * 1800 / 3600, 1.5);
    EXPECT_NEAR(static_cast<double>(dip - axis - 1), width * 3000 / 3600, 1.5);
    // The high limit (8) is a dashed row at or just below the spike's.
    EXPECT_NE((plot[0] + plot[1]).find("-----"), std::string::npos);
    // The window is the hour before the latest reading.
    EXPECT_NE(lines.back().find("04:59"), std::string::npos);
    EXPECT_NE(lines.back().find("05:59"), std::string::npos);
  }
}

TEST(DrawScreen, SmallTerminalsAndHostileTextStaySane) {
  const struct {
    int columns, rows;
  } sizes[] = {{20, 5}, {1, 1},   {3, 40}, {200, 2},      {0, 10},
               {10, 0}, {-1, -1}, {40, 9}, {65535, 65535}};
  ScreenState state = SampleState();
  state.log = "/tmp/\x1b[2J\x07" + std::string(300, 'x') + "\xc3\xa9\xe2\x82\xac\xff";
  ChartWindow chart = SampleChart();
  ChartWindow extreme(3600);
  for (double value : {1e308, -1e308, 5.0, 1e-300}) extreme.Add(kStart, value);
  ChartWindow steady_huge(3600);
  steady_huge.Add(kStart, 1e300);
  for (auto size : sizes) {
    SCOPED_TRACE(std::to_string(size.columns) + "x" + std::to_string(size.rows));
    for (const ChartWindow& drawn : {chart, ChartWindow(3600), extreme, steady_huge}) {
      std::string screen = DrawScreen(state, drawn, size.columns, size.rows);
      std::vector<std::string> lines = Lines(screen);
      EXPECT_LE(lines.size(), static_cast<size_t>(std::max(0, size.rows)));
      for (const std::string& line : lines) EXPECT_LE(CellCount(line), size.columns) << line;
      EXPECT_EQ(screen.find('\x1b'), std::string::npos);
      EXPECT_EQ(screen.find('\x07'), std::string::npos);
    }
  }
  std::vector<std::string> tiny = Lines(DrawScreen(state, chart, 20, 5));
  ASSERT_EQ(tiny.size(), 5u);
  EXPECT_EQ(tiny[0].rfind("brenwatch: ", 0), 0u);
  EXPECT_EQ(tiny[1], "Last 0.0 at 2026-12-");
  EXPECT_EQ(tiny[2], "min -20.5   max 8.5");
  EXPECT_EQ(tiny[3], "ALARM  high > 8     ");

  // The reading line exactly as wide as the screen stays one line, so a
  // short terminal still shows every alarm.
  const std::string reading = "Last 0.0 at 2026-12-09T05:59:50   min -20.5   max 8.5";
  std::vector<std::string> exact =
      Lines(DrawScreen(state, chart, static_cast<int>(reading.size()), 5));
  ASSERT_EQ(exact.size(), 5u);
  EXPECT_EQ(exact[1], reading);
  EXPECT_EQ(exact[4].rfind("clear  stale > 900 s", 0), 0u) << exact[4];
}

}  // namespace

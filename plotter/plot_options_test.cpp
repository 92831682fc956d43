#include "plotter/plot_options.hpp"

#include <gtest/gtest.h>

namespace {

TEST(PlotOptions, RefusesWhatMakesNoSense) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"-o", "chart.pdf", "log.txt"},
      {"--size", "1200x", "log.txt"},
      {"--size", "50x50", "log.txt"},
      {"--from", "yesterday", "log.txt"},
      {"--from", "2013-10-09", "--to", "2013-10-08", "log.txt"},
      {"--data", "-o", "x.svg", "log.txt"},
      {"--bogus", "log.txt"},
      {"log.txt", "--title"},
  };
  for (const auto& args : bad) {
    PlotOptions options;
    std::string error;
    EXPECT_FALSE(ScanPlotOptions(args, options, error)) << (args.empty() ? "" : args[0]);
    EXPECT_FALSE(error.empty());
  }
}

TEST(PlotOptions, ValuesAndLogs) {
  PlotOptions options;
  std::string error;
  ASSERT_TRUE(ScanPlotOptions(
      {"-o", "A.PNG", "--size=640x480", "a", "--to", "2013-10-08", "--", "-b"}, options, error))
      << error;
  EXPECT_EQ(options.format, ChartFormat::kPng);
  EXPECT_EQ(options.width, 640);
  EXPECT_EQ(options.height, 480);
  EXPECT_EQ(options.logs, (std::vector<std::string>{"a", "-b"}));
  EXPECT_EQ(options.to % 86400, 86399);
}

}  // namespace

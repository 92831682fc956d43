#include "plotter/chart_script.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Names and titles come from the user: they must not end the string early,
// and a quote at the start, or two together, are what gnuplot misreads.
TEST(ChartScript, UserTextStaysInsideItsString) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"it's\nx\\", R"('it' . "'" . 's x\')"},
      {"'x", R"("'" . 'x')"},
      {"a''b", R"('a' . "'" . "'" . 'b')"},
      {"x'", R"('x' . "'")"},
      {"", R"("")"},
  };
  for (const auto& [text, quoted] : cases) EXPECT_EQ(GnuplotQuote(text), quoted) << text;
  Chart chart;
  chart.format = ChartFormat::kSvg;
  chart.title = "t\"\n";
  chart.points = {{1, 2, true}, {2, 3, false}, {3, 4, true}};
  std::string script = ChartScript(chart);
  // The chart goes to the descriptor gnuplot is given, never to a name.
  EXPECT_EQ(script.find("set output"), std::string::npos) << script;
  EXPECT_NE(script.find("1 2\n2 3\n\n3 4\nEOD\n"), std::string::npos) << script;
}

}  // namespace

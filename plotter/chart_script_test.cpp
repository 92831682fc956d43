#include "plotter/chart_script.hpp"

#include <gtest/gtest.h>

namespace {

// Names and titles come from the user: they must not end the string early.
TEST(ChartScript, UserTextStaysInsideItsString) {
  EXPECT_EQ(GnuplotQuote("it's\nx\\"), "'it''s x\\'");
  Chart chart;
  chart.format = ChartFormat::kSvg;
  chart.output = "a'b.svg";
  chart.title = "t\"\n";
  chart.points = {{1, 2, true}, {2, 3, false}, {3, 4, true}};
  std::string script = ChartScript(chart);
  EXPECT_NE(script.find("set output 'a''b.svg'\n"), std::string::npos) << script;
  EXPECT_NE(script.find("1 2\n2 3\n\n3 4\nEOD\n"), std::string::npos) << script;
}

}  // namespace

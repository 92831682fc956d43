#pragma once
// The gnuplot script that draws a reduced log, data included.
#include <string>
#include <string_view>
#include <vector>

#include "plotter/plot_options.hpp"
#include "plotter/reduction.hpp"

struct ChartMark {
  double x = 0.0;
  std::string label;
};

struct Chart {
  ChartFormat format = ChartFormat::kTerminal;
  int width = 80;  // pixels, or characters on the terminal
  int height = 24;
  std::string title;
  std::vector<std::string> summary;  // parts, on as few title lines as fit
  bool time_axis = false;            // x counts seconds; else readings
  std::vector<ChartPoint> points;
  std::vector<ChartMark> marks;
};

// A gnuplot string expression that holds the text and nothing more: control
// characters become blanks.
std::string GnuplotQuote(std::string_view text);

// Shortest text that reads back as the same number.
std::string NumberText(double value);

// gnuplot draws to its standard output, a file's bytes included.
std::string ChartScript(const Chart& chart);

#pragma once
// Text from logs and the command line made fit to stand in a chart.
#include <string>
#include <string_view>

#include "plotter/plot_options.hpp"

// Valid UTF-8 (each broken sequence becomes U+FFFD), blanks for tabs and line
// ends, no other character XML forbids; in SVG never "]]>", which would end
// a section gnuplot opened.
std::string ChartText(std::string_view text, ChartFormat format);

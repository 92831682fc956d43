#pragma once
// The chart of a window's readings in character cells.
#include <string>
#include <vector>

#include "watcher/screen.hpp"

// `rows` lines of at most `columns` cells: each column the band from the
// lowest to the highest reading of its time, value labels at the left, the
// times of the window's start and of its latest reading below, and `limits`
// as dashed rows where they fall inside the band's range. Fewer lines when
// there is nothing to chart yet, none when there is no room.
std::vector<std::string> DrawChart(const ChartWindow& chart, int columns, int rows,
                                   const std::vector<double>& limits);

#pragma once
// The statistics printed at the end of a verbose run.
#include <string>
#include <vector>

#include "stripper/settings.hpp"

// The lines, the leading empty one included.
std::vector<std::string> StatisticsLines(const StripSettings& settings,
                                         const StripCounters& counters);
void PrintStatistics(const StripSettings& settings, const StripCounters& counters);

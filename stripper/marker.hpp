#pragma once
// The processed marker: found on the way in, appended on the way out.
#include <cstdint>
#include <string_view>

#include "stripper/settings.hpp"

// True for a line that is exactly the marker.
inline bool IsMarker(std::string_view line) {
  return line == kMarker;
}

// Reads the whole input and returns the number (from 1) of its last marker
// line, 0 when it has none. A failure ends the run with the report.
int64_t FindLastMarker(const StripSettings& settings);

// Appends the marker to the input as a line of its own, creating the input
// when it was deleted. A failure ends the run with the report.
void AppendMarker(const StripSettings& settings);

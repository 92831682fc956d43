#pragma once
// The checks on the named files before anything is read; under OverWrite an
// existing output file is deleted here.
#include "stripper/settings.hpp"

// True when the run goes on; false after a report (the run ends with 0).
bool CheckFiles(const StripSettings& settings);

#pragma once
// How a numbered FILESTR becomes the names of a run's log files.
#include <cstdint>
#include <string>

// The text before and after the pattern's first "0000" (and the zeros right
// after it); false when there is none and the name is used as written.
bool SplitNumberedName(const std::string& pattern, std::string& prefix, std::string& suffix);
// The log file name of a number: four digits, the numbers repeating after 9999.
std::string NumberedName(const std::string& prefix, int32_t number, const std::string& suffix);

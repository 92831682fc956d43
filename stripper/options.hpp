#pragma once
// The command line: options and file names in any order.
#include <string>
#include <string_view>
#include <vector>

#include "stripper/settings.hpp"

enum class ScanOutcome { kGoOn, kHelpShown };

// Builds the usage text, then reads the arguments (without the program name)
// into the settings. A help word prints the usage text and ends the scan.
ScanOutcome ScanArguments(const std::vector<std::string>& args, StripSettings& settings);

// The twelve lines of the diagnostic settings listing.
std::vector<std::string> SettingsListing(const StripSettings& settings);
// Prints the listing and waits for a key, in diagnostic mode only.
void ShowSettings(const StripSettings& settings);

// Blanks (the space character only) removed at both ends.
std::string_view TrimBlanks(std::string_view text);

#pragma once
// Diagnostic mode: every step announces itself and waits for a key.
#include <string_view>

#include "stripper/settings.hpp"

// Prints the text and waits for a key, in diagnostic mode only.
void Progress(const StripSettings& settings, std::string_view text);
// Waits for a key, in diagnostic mode only.
void WaitInDebug(const StripSettings& settings);

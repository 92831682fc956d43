#include "stripper/progress.hpp"

#include "services/console/console.hpp"

void Progress(const StripSettings& settings, std::string_view text) {
  if (settings.DebugMode == kOff) return;
  PrintLine(text);
  Pause(-1);
}

void WaitInDebug(const StripSettings& settings) {
  if (settings.DebugMode != kOff) Pause(-1);
}

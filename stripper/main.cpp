// Quillcut: copies a text file without its semicolon lines and blank lines.
#include <string>
#include <vector>

#include "services/exit/runtime_error.hpp"
#include "stripper/file_checks.hpp"
#include "stripper/finish.hpp"
#include "stripper/marker.hpp"
#include "stripper/options.hpp"
#include "stripper/pass.hpp"
#include "stripper/progress.hpp"
#include "stripper/settings.hpp"
#include "stripper/statistics.hpp"

int main(int argc, char** argv) {
  InstallSignalHandlers();
  RoutineScope scope("", kModuleName);
  StripSettings settings;
  StripCounters counters;

  // 1-2. Usage text, arguments, diagnostic listing.
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (ScanArguments(args, settings) == ScanOutcome::kHelpShown) return 0;
  ShowSettings(settings);
  // 3. File checks.
  if (!CheckFiles(settings)) return 0;
  // 4. Where the last run stopped.
  if (settings.MarkMode != kOff) counters.MarkLine = FindLastMarker(settings);
  {
    // 5-7. Open, skip what was processed before, the pass, close.
    StripPass pass;
    if (!pass.Open(settings)) return 0;
    pass.Skip(counters.MarkLine, counters);
    pass.Run(settings, counters);
    pass.Close(settings.DeleteFile != kOff);
  }
  // 8. Deletion of the input.
  if (settings.DeleteFile != kOff && !DeleteInput(settings)) return 0;
  Progress(settings, "files closed");
  // 9. The marker for the next run.
  if (settings.MarkMode != kOff) AppendMarker(settings);
  // 10. Statistics.
  if (settings.Verbose != kOff) PrintStatistics(settings, counters);
  // 11. The program that takes the output.
  if (!settings.PrgStr.empty()) StartNamedProgram(settings);
  // 12. End.
  Progress(settings, "Program Complete");
  return 0;
}

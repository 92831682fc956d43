// brenwatch: alarms from the logs a running brenmark writes.
#include <cstdio>
#include <string>
#include <vector>

#include "services/stop_request.hpp"
#include "watcher/event_output.hpp"
#include "watcher/exit_codes.hpp"
#include "watcher/log_source.hpp"
#include "watcher/screen.hpp"
#include "watcher/watch_options.hpp"
#include "watcher/watch_run.hpp"

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "brenwatch: %s\n", message.c_str());
  return kBadUsage;
}

}  // namespace

int main(int argc, char** argv) {
  WatchOptions options;
  std::string error;
  if (!ScanWatchOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
    std::fprintf(stderr, "brenwatch: %s\n%s", error.c_str(), kWatchUsage);
    return kBadUsage;
  }
  if (options.help) {
    std::fputs(kWatchUsage, stdout);
    return kWatchEnded;
  }
  if (options.version) {
    std::puts("brenwatch " BRENWATCH_VERSION);
    return kWatchEnded;
  }
  LogSource source;
  if (!ReadLogSource(options.source, source, error)) return Fail(error);
  EventOutput output;
  if (!options.alarm_log.empty() && !output.OpenAlarmLog(options.alarm_log, error)) {
    return Fail(error);
  }
  CatchStopRequests();
  if (options.once) return WatchOnce(options, source, output) ? kAlarmsRaised : kWatchEnded;

  std::unique_ptr<LiveScreen> screen;
  if (!options.plain) screen = LiveScreen::Open(options.window);
  output.SetStandardOutput(screen == nullptr);
  WatchFollowing(options, source, output, screen.get());
  return kWatchEnded;
}

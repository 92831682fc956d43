// brenwatch: alarms from the logs a running brenmark writes, and every
// reading shipped to a time-series database.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "services/process/environment.hpp"
#include "services/process/stop_request.hpp"
#include "watcher/console_lines.hpp"
#include "watcher/event_output.hpp"
#include "watcher/exit_codes.hpp"
#include "watcher/log_source.hpp"
#include "watcher/screen.hpp"
#include "watcher/shipping/shipping_command.hpp"
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
  ShipOptions ship;
  std::string error;
  if (!ScanCommandLine(std::vector<std::string>(argv + 1, argv + argc), options, ship, error)) {
    std::fprintf(stderr, "brenwatch: %s\n%s%s", error.c_str(), kWatchUsage, kShipOptionsHelp);
    return kBadUsage;
  }
  if (options.help) {
    std::fputs(kWatchUsage, stdout);
    std::fputs(kShipOptionsHelp, stdout);
    return kWatchEnded;
  }
  if (options.version) {
    std::puts("brenwatch " BRENWATCH_VERSION);
    return kWatchEnded;
  }
  // Read once, and out of the environment every --exec command inherits.
  ship.environment_token = TakeEnvironmentVariable("BRENWATCH_TOKEN");
  LogSource source;
  if (!ReadLogSource(options.source, source, error)) return Fail(error);
  EventOutput output;
  if (!options.alarm_log.empty() && !output.OpenAlarmLog(options.alarm_log, error)) {
    return Fail(error);
  }
  // Shipping has a follower and a thread of its own: alarms never wait for the database.
  Shipment shipment;
  bool shipping = !ship.influx.empty();
  if (shipping &&
      !shipment.Prepare(ship, source, options.source, options.once, options.from_start, error)) {
    return Fail(error);
  }
  CatchStopRequests();
  shipment.Start();
  if (options.once) {
    bool raised = WatchOnce(options, source, output);
    while (shipping && !shipment.Done() && !StopRequested()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    shipment.Stop();
    if (shipment.Finish() != 0 && !StopRequested()) return kNotShipped;
    return raised ? kAlarmsRaised : kWatchEnded;
  }

  std::unique_ptr<LiveScreen> screen;
  if (!options.plain) screen = LiveScreen::Open(options.window);
  output.SetStandardOutput(screen == nullptr);
  QueueConsoleLines();
  WatchFollowing(options, source, output, screen.get());
  shipment.Stop();
  shipment.Finish();
  FinishConsoleLines();
  return kWatchEnded;
}

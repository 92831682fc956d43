// brenwatch: follows what a running brenmark writes and ships every reading
// to a time-series database.
#include <csignal>
#include <cstdio>
#include <chrono>
#include <string>
#include <thread>

#include "watcher/log_source.hpp"
#include "watcher/shipping/shipping_command.hpp"

#ifndef BRENWATCH_VERSION
#define BRENWATCH_VERSION "0"
#endif

namespace {

volatile std::sig_atomic_t stop_requested = 0;

void RequestStop(int) {
  stop_requested = 1;
}

void Usage(std::FILE* out) {
  std::fprintf(out,
               "Usage: brenwatch [options] SOURCE\n"
               "Follows the logs of a brenmark INI file, or one log file.\n"
               "  --once               read the logs from their beginning to their end, then exit\n"
               "  --from-start         follow from the beginning of the current log\n"
               "%s"
               "  -h, --help           this text\n"
               "  --version            the version\n",
               kShipOptionsHelp);
}

int Bad(const std::string& message) {
  std::fprintf(stderr, "brenwatch: %s\n", message.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  ShipOptions ship;
  bool once = false, from_start = false;
  std::string source_argument;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    std::string error;
    int taken = TakeShipOption(argc, argv, i, ship, error);
    if (taken < 0) return Bad(error);
    if (taken > 0) continue;
    if (argument == "-h" || argument == "--help") {
      Usage(stdout);
      return 0;
    }
    if (argument == "--version") {
      std::printf("brenwatch %s\n", BRENWATCH_VERSION);
      return 0;
    }
    if (argument == "--once") {
      once = true;
    } else if (argument == "--from-start") {
      from_start = true;
    } else if (argument.size() > 1 && argument[0] == '-') {
      return Bad("unknown option " + argument + " (brenwatch --help lists them)");
    } else if (source_argument.empty()) {
      source_argument = argument;
    } else {
      return Bad("one SOURCE only");
    }
  }
  if (source_argument.empty()) {
    Usage(stderr);
    return 2;
  }
  LogSource source;
  std::string error;
  if (!ReadLogSource(source_argument, source, error)) return Bad(error);
  if (ship.influx.empty()) return Bad("nothing to do: give --influx URL");
  Shipment shipment;
  if (!shipment.Prepare(ship, source, source_argument, once, from_start, error)) return Bad(error);
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  shipment.Start();
  while (!stop_requested && !shipment.Done()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  shipment.Stop();
  int status = shipment.Finish();
  return stop_requested ? 0 : status;
}

#pragma once
// brenwatch's shipping options and the thread that ships, beside the alarms
// and never in their way: it has its own follower, so a database that is
// slow or away delays no alarm.
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "services/text/option_scanner.hpp"
#include "watcher/log_source.hpp"
#include "watcher/watch_options.hpp"

struct ShipOptions {
  std::string influx;  // empty: no shipping
  std::string measurement = "temperature";
  std::vector<std::pair<std::string, std::string>> tags;  // --tag, in order given
  std::string token_file;
  std::string state;  // empty: <SOURCE base name>.brenwatch-state
  // BRENWATCH_TOKEN, taken out of the environment before any command starts.
  std::optional<std::string> environment_token;
};

// One shipping option (--name VALUE or --name=VALUE) where the scanner
// stands; kNotMine for any other.
OptionResult ScanShipOption(OptionScanner& scanner, ShipOptions& options, std::string& error);
// brenwatch's whole command line, the alarms' options and shipping's in one
// pass. False with a message when it makes no sense.
bool ScanCommandLine(const std::vector<std::string>& args, WatchOptions& watch, ShipOptions& ship,
                     std::string& error);
// The lines --help shows for them.
extern const char kShipOptionsHelp[];

class Shipment {
 public:
  Shipment();
  ~Shipment();
  Shipment(const Shipment&) = delete;
  Shipment& operator=(const Shipment&) = delete;

  // Checks the URL, the credentials, the tags and the state file before
  // anything is read; false with a message (exit status 2).
  bool Prepare(const ShipOptions& options, const LogSource& source,
               const std::string& source_argument, bool once, bool from_start, std::string& error);
  // Ships on a thread of its own; messages go to standard error.
  void Start();
  // Asks the thread to end (after SIGTERM or Ctrl+C).
  void Stop();
  // True once the thread has ended (--once at the logs' end).
  bool Done() const { return done_; }
  // Waits for the thread: 0, or 3 when --once could not ship everything.
  int Finish();

 private:
  struct Job;
  std::unique_ptr<Job> job_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> done_{false};
  std::thread thread_;
  int status_ = 0;
};

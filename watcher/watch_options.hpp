#pragma once
// brenwatch's command line.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "services/text/option_scanner.hpp"

// A limit as given: compared by its value, printed as written.
struct Limit {
  double value = 0;
  std::string text;
};

struct WatchOptions {
  std::string source;
  std::optional<Limit> high;
  std::optional<Limit> low;
  int64_t delay = 0;  // seconds
  double margin = 0;
  int64_t stale = 0;   // seconds; 0: no stale alarm
  int64_t repeat = 0;  // seconds; 0: no repeats
  std::string command;
  std::string alarm_log;
  bool once = false;
  bool from_start = false;
  bool plain = false;
  int64_t window = 3600;
  bool help = false;
  bool version = false;
};

// Seconds, or a whole number with s, m, h or d; false when malformed or
// beyond a century.
bool ReadDuration(const std::string& text, int64_t& seconds);
// A decimal number, whole text, finite.
bool ReadDecimal(const std::string& text, double& value);

// Options beside the alarms' (shipping's): each option is offered here
// first; one refused ends the scan with its message in `error`.
using ExtraOptions = std::function<OptionResult(OptionScanner& scanner, std::string& error)>;

// Fills `options` from the arguments after the program name. False with a
// message in `error` when they make no sense.
bool ScanWatchOptions(const std::vector<std::string>& args, WatchOptions& options,
                      std::string& error, const ExtraOptions& extra = {});

extern const char* const kWatchUsage;

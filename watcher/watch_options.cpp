#include "watcher/watch_options.hpp"

#include <cmath>
#include <cstdlib>

#include "services/text/option_scanner.hpp"

const char* const kWatchUsage =
    "Usage: brenwatch [options] SOURCE\n"
    "Follows the logs of a running brenmark and raises alarms. SOURCE is its\n"
    "INI file (a name ending in .ini) or one log file.\n"
    "\n"
    "  --high T          alarm while readings are above T\n"
    "  --low T           alarm while readings are below T\n"
    "  --delay DURATION  readings stay beyond a limit this long before the alarm\n"
    "  --margin D        a high alarm clears at or below T-D, a low one at or above T+D\n"
    "  --stale DURATION  alarm when no reading arrives for longer than DURATION\n"
    "  --exec COMMAND    run COMMAND through the shell on every event\n"
    "  --repeat DURATION run COMMAND again while an alarm stays raised\n"
    "  --alarm-log FILE  append every event line to FILE\n"
    "  --once            read the logs from their beginning to their end, then exit\n"
    "  --from-start      follow from the beginning of the current log\n"
    "  --plain           event lines only, also on a terminal\n"
    "  --window DURATION span of the live screen's chart (default 1h)\n"
    "  -h, --help        this text\n"
    "  --version         the version\n"
    "\n"
    "DURATION: seconds, or a number with s, m, h or d (90, 90s, 15m, 2h).\n"
    "Event lines: time,event,kind,value,limit (event raise, clear or repeat;\n"
    "kind high, low or stale).\n"
    "Exit status: 0 ended by a signal or Ctrl+C, or --once without an alarm;\n"
    "2 bad usage or unreadable SOURCE; 4 --once raised an alarm.\n";

namespace {

constexpr int64_t kLongestDuration = 100LL * 366 * 86400;

}  // namespace

bool ReadDuration(const std::string& text, int64_t& seconds) {
  size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  if (digits == 0 || digits > 12 || text.size() > digits + 1) return false;
  int64_t unit = 1;
  if (digits < text.size()) {
    switch (text[digits]) {
      case 's':
        break;
      case 'm':
        unit = 60;
        break;
      case 'h':
        unit = 3600;
        break;
      case 'd':
        unit = 86400;
        break;
      default:
        return false;
    }
  }
  int64_t count = std::strtoll(text.substr(0, digits).c_str(), nullptr, 10);
  if (count > kLongestDuration / unit) return false;
  seconds = count * unit;
  return true;
}

bool ReadDecimal(const std::string& text, double& value) {
  if (text.empty() || text.find_first_of(" \t\n\r\f\vxXpPnNiI") != std::string::npos) return false;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && std::isfinite(value);
}

namespace {

// One of the alarms' options; kNotMine for a name it does not know.
OptionResult TakeAlarmOption(OptionScanner& scanner, WatchOptions& options, std::string& error) {
  const std::string& name = scanner.Name();
  std::string value;
  auto duration = [&](int64_t& seconds, bool zero_allowed) {
    if (!scanner.TakeValue(value, error)) return false;
    if (ReadDuration(value, seconds) && (zero_allowed || seconds > 0)) return true;
    error = name + ": not a duration" + (zero_allowed ? "" : " above 0") + ": " + value;
    return false;
  };
  auto limit = [&](std::optional<Limit>& to) {
    if (!scanner.TakeValue(value, error)) return false;
    Limit read{0, value};
    if (!ReadDecimal(value, read.value)) {
      error = name + ": not a decimal number: " + value;
      return false;
    }
    to = read;
    return true;
  };
  constexpr OptionResult kRefused = OptionResult::kRefused;
  bool flag = !scanner.HasValue();
  if (name == "-h" || name == "--help") {
    options.help = true;
  } else if (name == "--version") {
    options.version = true;
  } else if (name == "--once") {
    options.once = true;
  } else if (name == "--from-start") {
    options.from_start = true;
  } else if (name == "--plain") {
    options.plain = true;
  } else if (name == "--high" || name == "--low") {
    flag = true;
    if (!limit(name == "--high" ? options.high : options.low)) return kRefused;
  } else if (name == "--delay") {
    flag = true;
    if (!duration(options.delay, true)) return kRefused;
  } else if (name == "--stale") {
    flag = true;
    if (!duration(options.stale, false)) return kRefused;
  } else if (name == "--repeat") {
    flag = true;
    if (!duration(options.repeat, false)) return kRefused;
  } else if (name == "--window") {
    flag = true;
    if (!duration(options.window, false)) return kRefused;
  } else if (name == "--margin") {
    flag = true;
    if (!scanner.TakeValue(value, error)) return kRefused;
    if (!ReadDecimal(value, options.margin) || options.margin < 0) {
      error = "--margin: not a decimal number of 0 or more: " + value;
      return kRefused;
    }
  } else if (name == "--exec" || name == "--alarm-log") {
    flag = true;
    if (!scanner.TakeValue(value, error)) return kRefused;
    if (value.empty()) {
      error = name + " needs a value";
      return kRefused;
    }
    (name == "--exec" ? options.command : options.alarm_log) = value;
  } else {
    return OptionResult::kNotMine;
  }
  if (!flag) {
    error = "option " + name + " takes no value";
    return kRefused;
  }
  return OptionResult::kTaken;
}

}  // namespace

bool ScanWatchOptions(const std::vector<std::string>& args, WatchOptions& options,
                      std::string& error, const ExtraOptions& extra) {
  OptionScanner scanner(args);
  std::vector<std::string> sources;
  // brenwatch has always reported a refused extra option before any alarm
  // option's, wherever they stand: the alarms' first refusal waits.
  std::string alarm_error;
  while (scanner.Next()) {
    if (scanner.IsOperand()) {
      sources.push_back(scanner.Argument());
      continue;
    }
    OptionResult result = extra ? extra(scanner, error) : OptionResult::kNotMine;
    if (result == OptionResult::kRefused) return false;
    if (result == OptionResult::kTaken) continue;
    std::string refusal;
    result = TakeAlarmOption(scanner, options, refusal);
    if (result == OptionResult::kNotMine) refusal = "unknown option " + scanner.Argument();
    if (result != OptionResult::kTaken && alarm_error.empty()) alarm_error = refusal;
  }
  if (!alarm_error.empty()) {
    error = alarm_error;
    return false;
  }
  if (options.help || options.version) return true;
  if (sources.size() != 1) {
    error = sources.empty() ? "no SOURCE given" : "more than one SOURCE given";
    return false;
  }
  options.source = sources.front();
  if (options.high && options.low && options.low->value > options.high->value) {
    error = "--low " + options.low->text + " is above --high " + options.high->text;
    return false;
  }
  return true;
}

#include "reporter/report_options.hpp"

#include <cctype>

#include "logreader/log_record.hpp"
#include "services/text/option_scanner.hpp"
#include "watcher/watch_options.hpp"

const char kReportUsage[] =
    "Usage: brenreport [options] SOURCE\n"
    "       brenreport --verify REPORT.json\n"
    "The report of a period of brenmark logs: minimum, maximum, mean, mean kinetic\n"
    "temperature, time out of range, excursions, gaps, alarm events, per day.\n"
    "SOURCE is brenmark's INI file (its logs) or a log file (a numbered log: its run).\n"
    "  --from T, --to T     the period, yyyy-mm-dd[Thh:mm[:ss]] local time, --to excluded\n"
    "  --high X, --low X    the limits\n"
    "  --stale D            readings further apart leave a gap (default 10m; s, m, h)\n"
    "  --unit C|F|K         the readings' unit (default C)\n"
    "  --activation-energy KJ  for the MKT, kJ/mol (default 83.144)\n"
    "  --alarm-log FILE     brenwatch's alarm log: its events in the period are listed\n"
    "  --title TEXT\n"
    "  -o FILE              .json, .csv, .txt, .html or .pdf; repeatable; default: text\n"
    "                       on standard output\n"
    "  --verify REPORT.json compute the SHA-256 of the report's logs again\n"
    "  --help, --version\n"
    "Exit status: 0 written (--verify: all the same); 2 bad usage or input; 3 an output\n"
    "could not be made; 4 --verify found a difference.\n";

namespace {

bool FormatOf(const std::string& name, ReportFormat& format) {
  size_t dot = name.find_last_of('.');
  size_t slash = name.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  std::string extension;
  for (char c : name.substr(dot + 1)) extension += static_cast<char>(std::tolower(c));
  if (extension == "json") {
    format = ReportFormat::kJson;
  } else if (extension == "csv") {
    format = ReportFormat::kCsv;
  } else if (extension == "txt") {
    format = ReportFormat::kText;
  } else if (extension == "html" || extension == "htm") {
    format = ReportFormat::kHtml;
  } else if (extension == "pdf") {
    format = ReportFormat::kPdf;
  } else {
    return false;
  }
  return true;
}

bool TakeBound(const std::string& name, const std::string& value, std::string& text,
               std::optional<int64_t>& bound, std::string& error) {
  int64_t first = 0, last = 0;
  if (!ReadTimeBound(value, first, last)) {
    error = name + ": not yyyy-mm-dd[Thh:mm[:ss]]: " + value;
    return false;
  }
  text = value;
  bound = first;
  return true;
}

OptionResult TakeOption(OptionScanner& scanner, ReportOptions& options, std::string& error) {
  const std::string& name = scanner.Name();
  std::string value;
  bool flag = !scanner.HasValue();
  if (name == "-h" || name == "--help") {
    options.help = true;
  } else if (name == "--version") {
    options.version = true;
  } else {
    flag = true;
    if (!scanner.TakeValue(value, error)) return OptionResult::kRefused;
    if (name == "--from" || name == "--to") {
      bool from = name == "--from";
      if (!TakeBound(name, value, from ? options.from_text : options.to_text,
                     from ? options.from : options.to, error)) {
        return OptionResult::kRefused;
      }
    } else if (name == "--high" || name == "--low") {
      double limit = 0.0;
      if (!ReadDecimal(value, limit)) {
        error = name + ": not a decimal number: " + value;
        return OptionResult::kRefused;
      }
      (name == "--high" ? options.high : options.low) = limit;
      (name == "--high" ? options.high_text : options.low_text) = value;
    } else if (name == "--stale") {
      if (!ReadDuration(value, options.stale_s) || options.stale_s <= 0) {
        error = "--stale: not a duration above 0: " + value;
        return OptionResult::kRefused;
      }
    } else if (name == "--unit") {
      if (value == "C" || value == "c") {
        options.unit = Unit::kCelsius;
      } else if (value == "F" || value == "f") {
        options.unit = Unit::kFahrenheit;
      } else if (value == "K" || value == "k") {
        options.unit = Unit::kKelvin;
      } else {
        error = "--unit: not C, F or K: " + value;
        return OptionResult::kRefused;
      }
    } else if (name == "--activation-energy") {
      if (!ReadDecimal(value, options.activation_energy_kj) ||
          options.activation_energy_kj <= 0) {
        error = "--activation-energy: not a number of kJ/mol above 0: " + value;
        return OptionResult::kRefused;
      }
    } else if (name == "--alarm-log" || name == "--title" || name == "-o" ||
               name == "--output" || name == "--verify") {
      if (value.empty() && name != "--title") {
        error = name + " needs a value";
        return OptionResult::kRefused;
      }
      if (name == "--alarm-log") {
        options.alarm_log = value;
      } else if (name == "--title") {
        options.title = value;
      } else if (name == "--verify") {
        options.verify = value;
      } else {
        ReportOutput output{value, ReportFormat::kText};
        if (!FormatOf(value, output.format)) {
          error = name + ": the name must end in .json, .csv, .txt, .html or .pdf: " + value;
          return OptionResult::kRefused;
        }
        options.outputs.push_back(output);
      }
    } else {
      return OptionResult::kNotMine;
    }
  }
  if (!flag) {
    error = name + " takes no value";
    return OptionResult::kRefused;
  }
  return OptionResult::kTaken;
}

}  // namespace

bool ScanReportOptions(const std::vector<std::string>& args, ReportOptions& options,
                       std::string& error) {
  options = ReportOptions{};
  OptionScanner scanner(args);
  std::vector<std::string> operands;
  while (scanner.Next()) {
    if (scanner.IsOperand()) {
      operands.push_back(scanner.Argument());
      continue;
    }
    OptionResult result = TakeOption(scanner, options, error);
    if (result == OptionResult::kRefused) return false;
    if (result == OptionResult::kNotMine) {
      error = "unknown option " + scanner.Name();
      return false;
    }
  }
  if (options.help || options.version) return true;
  if (!options.verify.empty()) {
    if (!operands.empty()) {
      error = "--verify takes no SOURCE";
      return false;
    }
    return true;
  }
  if (operands.size() != 1) {
    error = operands.empty() ? "no SOURCE given" : "more than one SOURCE: " + operands[1];
    return false;
  }
  options.source = operands[0];
  if (options.from && options.to && *options.to <= *options.from) {
    error = "--to " + options.to_text + " is not after --from " + options.from_text;
    return false;
  }
  if (options.high && options.low && *options.low > *options.high) {
    error = "--low " + options.low_text + " is above --high " + options.high_text;
    return false;
  }
  if (options.outputs.empty()) options.outputs.push_back(ReportOutput{});
  return true;
}

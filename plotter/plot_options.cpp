#include "plotter/plot_options.hpp"

#include <charconv>

#include "logreader/log_record.hpp"
#include "services/text/option_scanner.hpp"

const char* const kPlotUsage =
    "Usage: brenplot [options] LOG...\n"
    "Draws brenmark log files as one chart, read in the order given.\n"
    "\n"
    "  -o FILE        write the chart to FILE, .svg or .png (default: the terminal)\n"
    "  --size WxH     size of a chart file in pixels (default 1200x500)\n"
    "  --data         no chart: print every reading as stamp,value (or n,value)\n"
    "  --from TIME    leave out readings before TIME (yyyy-mm-dd[Thh:mm[:ss]])\n"
    "  --to TIME      leave out readings after TIME\n"
    "  --title TEXT   title of the chart (default: the log names)\n"
    "  -h, --help     this text\n"
    "  --version      the version\n"
    "\n"
    "Exit status: 0 done, 1 no reading found, 2 bad usage or unreadable log,\n"
    "3 gnuplot missing or failing.\n";

namespace {

bool EndsWithNoCase(const std::string& s, std::string_view tail) {
  if (s.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i) {
    char c = s[s.size() - tail.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != tail[i]) return false;
  }
  return true;
}

bool ReadSize(std::string_view text, int& width, int& height) {
  size_t x = text.find_first_of("xX");
  if (x == std::string_view::npos) return false;
  auto number = [](std::string_view s, int& n) {
    auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), n);
    return error == std::errc() && end == s.data() + s.size() && n >= 100 && n <= 10000;
  };
  return number(text.substr(0, x), width) && number(text.substr(x + 1), height);
}

}  // namespace

bool ScanPlotOptions(const std::vector<std::string>& args, PlotOptions& options,
                     std::string& error) {
  OptionScanner scanner(args);
  while (scanner.Next()) {
    if (scanner.IsOperand()) {
      options.logs.push_back(scanner.Argument());
      continue;
    }
    const std::string& name = scanner.Name();
    std::string value;
    if (name == "-h" || name == "--help") {
      options.help = true;
    } else if (name == "--version") {
      options.version = true;
    } else if (name == "--data") {
      options.data = true;
    } else if (name == "-o" || name == "--output") {
      if (!scanner.TakeValue(value, error)) return false;
      options.output = value;
      if (EndsWithNoCase(value, ".svg")) {
        options.format = ChartFormat::kSvg;
      } else if (EndsWithNoCase(value, ".png")) {
        options.format = ChartFormat::kPng;
      } else {
        error = "the chart file must end in .svg or .png: " + value;
        return false;
      }
    } else if (name == "--size") {
      if (!scanner.TakeValue(value, error)) return false;
      if (!ReadSize(value, options.width, options.height)) {
        error = "--size takes WxH, each from 100 to 10000 pixels: " + value;
        return false;
      }
    } else if (name == "--from" || name == "--to") {
      if (!scanner.TakeValue(value, error)) return false;
      int64_t first = 0, last = 0;
      if (!ReadTimeBound(value, first, last)) {
        error = name + " takes yyyy-mm-dd[Thh:mm[:ss]]: " + value;
        return false;
      }
      if (name == "--from") {
        options.has_from = true;
        options.from = first;
      } else {
        options.has_to = true;
        options.to = last;
      }
    } else if (name == "--title") {
      if (!scanner.TakeValue(value, error)) return false;
      options.has_title = true;
      options.title = value;
    } else {
      error = "unknown option: " + scanner.Argument();
      return false;
    }
  }
  if (options.help || options.version) return true;
  if (options.logs.empty()) {
    error = "no log file named";
    return false;
  }
  if (options.data && !options.output.empty()) {
    error = "--data prints readings, not a chart: leave out -o";
    return false;
  }
  if (options.has_from && options.has_to && options.from > options.to) {
    error = "--from is after --to";
    return false;
  }
  return true;
}

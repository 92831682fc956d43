#include "tools/thermosim_options.hpp"

#include <cerrno>
#include <cstdlib>
#include <string_view>

namespace {

bool ReadCount(const std::string& text, int64_t min, int64_t& value) {
  if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
  char* end = nullptr;
  errno = 0;
  long long n = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || n < min) return false;
  value = n;
  return true;
}

}  // namespace

const char* SimUsage() {
  return "usage: thermosim [--link PATH] [--interval MS] [--eot-after N] [--flood N]\n"
         "                 [--rate BYTES_PER_S] [--block BYTES [--gap MICROSECONDS]]\n"
         "                 [--linger MS] [--quiet]\n"
         "       thermosim --help | --version\n";
}

bool ParseSimOptions(int argc, char** argv, SimOptions& options, std::string& problem) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    bool has_value = false;
    if (size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg.resize(eq);
      has_value = true;
    }
    if (arg == "--quiet") {
      if (has_value) return problem = "--quiet takes no value", false;
      options.quiet = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") return problem = "help requested", false;
    if (arg == "--version") return problem = "version requested", false;
    if (!has_value) {
      if (i + 1 >= argc) return problem = arg + " needs a value", false;
      value = argv[++i];
    }
    int64_t n = 0;
    bool ok = true;
    if (arg == "--link") {
      ok = !value.empty();
      options.link = value;
    } else if (arg == "--interval") {
      ok = ReadCount(value, 1, options.interval_ms);
    } else if (arg == "--eot-after") {
      ok = ReadCount(value, 0, options.eot_after);
    } else if (arg == "--flood") {
      ok = ReadCount(value, 0, options.flood);
    } else if (arg == "--rate") {
      ok = ReadCount(value, 0, n);
      options.rate = static_cast<uint64_t>(n);
    } else if (arg == "--block") {
      ok = ReadCount(value, 64, options.block);
    } else if (arg == "--gap") {
      ok = ReadCount(value, 0, options.gap_us);
    } else if (arg == "--linger") {
      ok = ReadCount(value, 0, options.linger_ms);
    } else {
      return problem = "unknown option " + arg, false;
    }
    if (!ok) return problem = "bad value for " + arg + ": \"" + value + "\"", false;
  }
  return true;
}

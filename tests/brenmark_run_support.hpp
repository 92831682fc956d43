#pragma once
// A logger run against a pseudo-terminal standing in for the device: the
// INI file, the start, the first line that proves the loop is running.
#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"

namespace brenmark_run {

inline std::string PortFor(const Pty& device) {
  return device.slave_path() + ":9600,N,8,1,CS0,DS0,CD0";
}

// Dates and times vary: yyyy-mm-dd reads D, mm-dd-yyyy reads M, hh:mm:ss T.
inline std::string Masked(const std::string& text) {
  static const std::regex record_date(R"(\d{4}-\d{2}-\d{2})");
  static const std::regex final_date(R"(\d{2}-\d{2}-\d{4})");
  static const std::regex time(R"(\d{2}:\d{2}:\d{2})");
  std::string s = std::regex_replace(text, record_date, "D");
  s = std::regex_replace(s, final_date, "M");
  return std::regex_replace(s, time, "T");
}

class LoggerRun {
 public:
  // `ini` lines come after PORTSTR and STDOUT=YES; "{dir}" becomes the run's
  // folder.
  explicit LoggerRun(std::string ini_lines = {}, bool with_port = true) {
    std::string ini;
    if (with_port) ini += "PORTSTR=" + PortFor(device) + "\n";
    ini += "STDOUT=YES\n" + ini_lines;
    for (size_t at; (at = ini.find("{dir}")) != std::string::npos;) ini.replace(at, 5, dir.path());
    ini_path = dir.Write("test.ini", ini);
  }

  // Starts brenmark and, when `wait_running`, waits until a device line has
  // been echoed: from then on keys typed are taken as commands.
  Child& Start(Stdin stdin_kind = Stdin::kNull, bool wait_running = true) {
    SpawnOptions options;
    options.stdin_kind = stdin_kind;
    options.cwd = dir.path();
    // Named relative to the folder: a temporary path could hold "-h" and
    // read as a request for help.
    child = std::make_unique<Child>(std::vector<std::string>{BRENMARK_PATH, "test.ini"}, options);
    if (wait_running) {
      EXPECT_TRUE(child->WaitForOutput("to exit.", 10000)) << child->out();
      device.Write("ready\r\n");
      EXPECT_TRUE(child->WaitForOutput("ready\r\n", 10000)) << child->out();
    }
    return *child;
  }

  // What the console showed after the status text and the "ready" line.
  std::string ConsoleAfterReady() const {
    const std::string& out = child->out();
    size_t at = out.find("ready\r\n");
    return at == std::string::npos ? out : out.substr(at + 7);
  }

  std::string Log(const std::string& name = "log.txt") const {
    return ReadWholeFile(dir.Path(name));
  }

  TempDir dir;
  Pty device;
  std::string ini_path;
  std::unique_ptr<Child> child;
};

}  // namespace brenmark_run

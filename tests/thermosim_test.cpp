// thermosim as the logger's tests, demo and benchmarks use it: the port
// string on its first line, readings, answers, EOT and the flood.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <string>
#include <thread>

#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

constexpr const char* kSettings = ":9600,N,8,1,CS0,DS0,CD0";

// thermosim started with `args`, its port string read from its first line.
class Sim {
 public:
  explicit Sim(std::vector<std::string> args) : child_(Argv(std::move(args))) {
    if (child_.WaitForOutput("\n", 5000)) {
      spec_ = child_.out().substr(0, child_.out().find('\n'));
      device_ = spec_.substr(0, spec_.find(':'));
    }
  }
  ~Sim() {
    if (fd_ >= 0) close(fd_);
  }
  Child& child() { return child_; }
  const std::string& port_string() const { return spec_; }
  const std::string& device() const { return device_; }

  // Opens the device the way a logger on the other end would.
  bool Open() {
    fd_ = open(device_.c_str(), O_RDWR | O_NOCTTY);
    return fd_ >= 0;
  }
  void Send(const std::string& bytes) const {
    ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // Collects what arrives until `until` has been seen or the time is up.
  std::string Receive(const std::string& until, int timeout_ms = 5000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (received_.find(until) == std::string::npos) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      char buffer[65536];
      ssize_t got = read(fd_, buffer, sizeof buffer);
      if (got <= 0) break;
      received_.append(buffer, static_cast<size_t>(got));
    }
    return received_;
  }
  void Forget() { received_.clear(); }

 private:
  static std::vector<std::string> Argv(std::vector<std::string> args) {
    args.insert(args.begin(), THERMOSIM_PATH);
    return args;
  }
  Child child_;
  std::string spec_;
  std::string device_;
  std::string received_;
  int fd_ = -1;
};

TEST(Thermosim, PrintsThePortStringFirst) {
  Sim sim({"--interval", "100000"});
  EXPECT_TRUE(
      std::regex_match(sim.port_string(), std::regex(R"(/dev/pts/\d+:9600,N,8,1,CS0,DS0,CD0)")))
      << sim.port_string();
  EXPECT_EQ(sim.child().out(), sim.port_string() + "\n");
  sim.child().Signal(SIGTERM);
  EXPECT_EQ(sim.child().Wait(5000), 0);
}

TEST(Thermosim, LinkNamesTheDeviceAndGoesAwayOnTermination) {
  for (int signal_number : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal_number);
    TempDir dir;
    std::string link = dir.Path("thermometer");
    Sim sim({"--link", link, "--interval", "100000"});
    EXPECT_EQ(sim.port_string(), link + kSettings);
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_TRUE(sim.Open());
    sim.Send("ST\r\n");
    EXPECT_NE(sim.Receive(";Offset:").find(";Status\r\n"), std::string::npos);
    sim.child().Signal(signal_number);
    EXPECT_EQ(sim.child().Wait(5000), 0);
    EXPECT_NE(lstat(link.c_str(), &st), 0);
  }
}

TEST(Thermosim, SendsReadingLinesAndEotAfterThem) {
  Sim sim({"--interval", "20", "--eot-after", "3", "--linger", "0"});
  // Nothing is lost while no one has the port open.
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  ASSERT_TRUE(sim.Open());
  std::string got = sim.Receive("\x04");
  EXPECT_TRUE(std::regex_match(got, std::regex("72\\.5\r\n\\d\\d\\.\\d\r\n\\d\\d\\.\\d\r\n\x04")))
      << got;
  EXPECT_EQ(sim.child().Wait(5000), 0);
  EXPECT_NE(sim.child().err().find("EOT"), std::string::npos);
}

TEST(Thermosim, AnswersCommands) {
  struct Case {
    const char* command;
    const char* answer;  // must appear in the answer
  };
  const std::vector<Case> cases = {
      {"DO 0.5\r\n", ";Offset:\t0.5\r\n"},
      {"do -1.25\r\n", ";Offset:\t-1.25\r\n"},
      {"T1\r\n", ";Report time set to 1 min\r\n"},
      {"T0\r\n", ";Report time set to 60 min\r\n"},
      {"FF\r\n", ";Fahrenheit mode off\r\n"},
      {"DB\r\n", ";Debug mode on\r\n"},
      {"RF CF IF FT ST\r\n", ";Celsius mode off\r\n;Internal mode off\r\n;Fahrenheit mode on\r\n"},
      {"W-\r\n", ";Offset:\t0\r\n"},
      {"??\r\n", ";Commands:\r\n"},
      {"ED\r\n", ";Storage:\t0 readings\r\n"},
      {"hello\r\n", ";Unknown command:\thello\r\n"},
  };
  Sim sim({"--interval", "100000", "--quiet"});
  ASSERT_TRUE(sim.Open());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    sim.Forget();
    sim.Send(c.command);
    std::string got = sim.Receive(c.answer, 2000);
    EXPECT_NE(got.find(c.answer), std::string::npos) << got;
    // Every answer line is a comment line.
    EXPECT_TRUE(std::regex_match(got, std::regex("(;[^\r\n]*\r\n)+"))) << got;
  }
  sim.child().Signal(SIGTERM);
  EXPECT_EQ(sim.child().Wait(5000), 0);
  EXPECT_EQ(sim.child().err(), "");
}

TEST(Thermosim, OffsetMovesTheReadings) {
  Sim sim({"--interval", "100", "--eot-after", "4", "--quiet"});
  ASSERT_TRUE(sim.Open());
  sim.Send("DO 10\r\n");
  std::string got = sim.Receive("\x04");
  size_t offset = got.find(";Offset:\t10\r\n");
  ASSERT_NE(offset, std::string::npos) << got;
  std::string after = got.substr(offset + 13);
  // The walk moves at most 0.1 a reading, from 72.5.
  std::smatch m;
  int readings = 0;
  for (auto it = after.cbegin();
       std::regex_search(it, after.cend(), m, std::regex("(\\d+\\.\\d)\r\n"));
       it = m.suffix().first) {
    EXPECT_GT(std::stod(m[1]), 82.0) << got;
    ++readings;
  }
  EXPECT_GE(readings, 1) << got;
}

TEST(Thermosim, EotOnSignal) {
  Sim sim({"--interval", "100000", "--linger", "0"});
  ASSERT_TRUE(sim.Open());
  sim.child().Signal(SIGUSR1);
  EXPECT_EQ(sim.Receive("\x04", 5000), "\x04");
  EXPECT_EQ(sim.child().Wait(5000), 0);
}

TEST(Thermosim, FloodArrivesComplete) {
  const int lines = 200000;
  Sim sim({"--flood", std::to_string(lines), "--linger", "0", "--quiet"});
  ASSERT_TRUE(sim.Open());
  std::string want;
  for (int i = 1; i <= lines; ++i) want += std::to_string(i) + "\r\n";
  want += '\x04';
  std::string got = sim.Receive("\x04", 20000);
  EXPECT_EQ(got.size(), want.size());
  EXPECT_TRUE(got == want);
  EXPECT_EQ(sim.child().Wait(5000), 0);
}

TEST(Thermosim, PacedFloodKeepsToItsRate) {
  // 1000 lines of 3 to 6 bytes: 4893 bytes, about 0.6 s at 8000 bytes/s.
  Sim sim({"--flood", "1000", "--rate", "8000", "--linger", "0", "--quiet"});
  ASSERT_TRUE(sim.Open());
  auto start = std::chrono::steady_clock::now();
  std::string got = sim.Receive("\x04", 10000);
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(got.size(), 4894u);
  EXPECT_GE(took, std::chrono::milliseconds(400));
}

TEST(Thermosim, RefusesABadCommandLine) {
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"},       {"--interval"},  {"--interval", "0"},
      {"--flood", "-3"}, {"--rate", "x"}, {"--quiet=1"},
  };
  for (const auto& args : cases) {
    std::vector<std::string> argv = {THERMOSIM_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    SCOPED_TRACE(args[0]);
    RunResult r = RunProgram(argv, {}, {}, {}, 5000);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("usage: thermosim"), std::string::npos);
  }
}

}  // namespace

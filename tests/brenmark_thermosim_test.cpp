// brenmark against the simulated thermometer: readings end up in the log,
// commands get their answers, and a flood arrives whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "tests/brenmark_run_support.hpp"

namespace {

using brenmark_run::Masked;

class WithThermosim : public ::testing::Test {
 protected:
  // Starts thermosim and writes an INI file for its port.
  void StartDevice(const std::vector<std::string>& args, const std::string& ini_lines) {
    std::vector<std::string> argv{THERMOSIM_PATH, "--quiet"};
    argv.insert(argv.end(), args.begin(), args.end());
    device_ = std::make_unique<Child>(argv);
    ASSERT_TRUE(device_->WaitForOutput("\n", 10000));
    std::string port_string = device_->out().substr(0, device_->out().find('\n'));
    dir_.Write("sim.ini", "PORTSTR=" + port_string + "\nFILESTR=log.txt\n" + ini_lines);
  }
  Child StartLogger(Stdin stdin_kind = Stdin::kNull) {
    SpawnOptions options;
    options.cwd = dir_.path();
    options.stdin_kind = stdin_kind;
    return Child({BRENMARK_PATH, "sim.ini"}, options);
  }

  TempDir dir_;
  std::unique_ptr<Child> device_;
};

TEST_F(WithThermosim, ReadingsUntilEndOfTransmission) {
  StartDevice({"--interval", "50", "--eot-after", "3"}, "APNDTIME=YES\n");
  Child logger = StartLogger();
  EXPECT_EQ(logger.Wait(15000), 51);
  const std::regex reading(R"(D\tT\t-?\d+(\.\d+)?\r\n)");
  std::string log = Masked(ReadWholeFile(dir_.Path("log.txt")));
  std::string expected_tail = "Exit Code: 51 at T on M\r\n";
  ASSERT_GE(log.size(), expected_tail.size());
  EXPECT_EQ(log.substr(log.size() - expected_tail.size()), expected_tail);
  std::string records = log.substr(0, log.size() - expected_tail.size());
  int count = 0;
  for (std::sregex_iterator it(records.begin(), records.end(), reading), end; it != end; ++it) {
    ++count;
  }
  EXPECT_EQ(count, 3) << log;
  EXPECT_EQ(device_->Wait(5000), 0);
}

TEST_F(WithThermosim, OffsetAnswersAreLoggedAsComments) {
  StartDevice({"--interval", "100"}, "STDOUT=YES\n");
  Child logger = StartLogger(Stdin::kPipe);
  // Keys count once a reading shows the loop runs.
  const std::string status_end = "\"ZD\"\r\n\r\n";
  ASSERT_TRUE(logger.WaitForOutput(status_end, 10000));
  const size_t shown = logger.out().find(status_end) + status_end.size();
  for (int i = 0; i < 200 && logger.out().find("\r\n", shown) == std::string::npos; ++i) {
    logger.WaitForOutput("\x01", 20);  // only pumps the output
  }
  logger.Type(">>");
  EXPECT_TRUE(logger.WaitForOutput(";Offset:\t0.5\r\n", 10000)) << logger.out();
  logger.Type("\x1b");
  EXPECT_EQ(logger.Wait(), 50);
  std::string log = ReadWholeFile(dir_.Path("log.txt"));
  EXPECT_NE(log.find(";Offset:\t0.25\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find(";Offset:\t0.5\r\n"), std::string::npos) << log;
}

TEST_F(WithThermosim, FloodArrivesWholeAndInOrder) {
  constexpr int kLines = 20000;
  StartDevice({"--flood", std::to_string(kLines)}, "");
  Child logger = StartLogger();
  EXPECT_EQ(logger.Wait(30000), 51);
  std::string expected;
  for (int i = 1; i <= kLines; ++i) expected += std::to_string(i) + "\r\n";
  expected += "Exit Code: 51 at T on M\r\n";
  EXPECT_TRUE(Masked(ReadWholeFile(dir_.Path("log.txt"))) == expected);
}

// The device dies mid-run and a new one appears under the same link: the
// logger says so twice and logs on in the same file, every line in order.
TEST_F(WithThermosim, DeviceThatComesBackIsLoggedOn) {
  const std::string link = dir_.Path("thermometer");
  StartDevice({"--link", link, "--flood", "1000000", "--rate", "200"}, "");
  const std::string port_string = link + ":9600,N,8,1,CS0,DS0,CD0";
  Child logger = StartLogger();
  ASSERT_TRUE(logger.WaitForOutput("\n20\r\n", 10000)) << logger.out();
  // As a pulled adapter: no goodbye, the link is left dangling.
  device_->Signal(SIGKILL);
  device_->Wait(5000);
  ASSERT_TRUE(logger.WaitForOutput(
      "***Error*** lost com port, reopening it every second: " + port_string + "\r\n", 5000))
      << logger.out();
  Child again({THERMOSIM_PATH, "--quiet", "--link", link, "--flood", "50"});
  ASSERT_TRUE(logger.WaitForOutput("Com port reopened: " + port_string + "\r\n", 5000))
      << logger.out();
  EXPECT_EQ(logger.Wait(10000), 51);
  EXPECT_EQ(again.Wait(5000), 0);

  std::string log = Masked(ReadWholeFile(dir_.Path("log.txt")));
  const std::string ending = "Exit Code: 51 at T on M\r\n";
  ASSERT_GE(log.size(), ending.size());
  EXPECT_EQ(log.substr(log.size() - ending.size()), ending);
  std::string before;
  int last = 0;
  for (size_t at = 0; log.compare(at, std::string::npos, ending) != 0;) {
    size_t end = log.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    if (log.compare(at, end - at, "1") == 0 && last > 0) {
      before = log.substr(0, at);
      last = 0;
    }
    ASSERT_EQ(log.substr(at, end - at), std::to_string(++last)) << log;
    at = end + 2;
  }
  EXPECT_EQ(last, 50) << log;
  EXPECT_GE(std::count(before.begin(), before.end(), '\n'), 20) << log;
}

}  // namespace

// brenmark against the simulated thermometer: readings end up in the log,
// commands get their answers, and a flood arrives whole.
#include <gtest/gtest.h>

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

}  // namespace

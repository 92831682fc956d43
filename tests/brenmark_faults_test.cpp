// brenmark under a flood from thermosim when things go wrong outside it: the
// log must hold only whole records, each a line the device sent, in order.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/brenmark_run_support.hpp"

namespace {

using brenmark_run::Masked;

// The flood's lines 1, 2, 3... each once and in order, then, when
// `exit_line` is given, that line; nothing torn, nothing else.
::testing::AssertionResult WholeFloodRecords(const std::string& log, int& count,
                                             const std::string& exit_line = {}) {
  size_t at = 0;
  count = 0;
  for (;;) {
    std::string want = std::to_string(count + 1) + "\r\n";
    if (log.compare(at, want.size(), want) != 0) break;
    at += want.size();
    ++count;
  }
  std::string rest = Masked(log.substr(at));
  if (rest.empty() || (!exit_line.empty() && rest == exit_line)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "after record " << count << ": \"" << rest.substr(0, 60) << "\"";
}

class BrenmarkFaults : public ::testing::Test {
 protected:
  void StartFlood(int lines, const std::string& log_path) {
    device_ = std::make_unique<Child>(
        std::vector<std::string>{THERMOSIM_PATH, "--quiet", "--flood", std::to_string(lines)});
    ASSERT_TRUE(device_->WaitForOutput("\n", 10000));
    std::string port_string = device_->out().substr(0, device_->out().find('\n'));
    dir_.Write("flood.ini", "PORTSTR=" + port_string + "\nFILESTR=" + log_path + "\n");
    SpawnOptions options;
    options.cwd = dir_.path();
    logger_ =
        std::make_unique<Child>(std::vector<std::string>{BRENMARK_PATH, "flood.ini"}, options);
  }

  TempDir dir_;
  std::unique_ptr<Child> device_;
  std::unique_ptr<Child> logger_;
};

TEST_F(BrenmarkFaults, KillNineMidFloodLeavesWholeRecords) {
  const std::string log = dir_.Path("log.txt");
  StartFlood(200000, log);
  struct stat info {};
  for (int i = 0; i < 1000 && (stat(log.c_str(), &info) != 0 || info.st_size < 100000); ++i) {
    logger_->WaitForOutput("\x01", 10);  // keeps its console pipe from filling
  }
  logger_->Signal(SIGKILL);
  EXPECT_EQ(logger_->Wait(), 128 + SIGKILL);
  int count = 0;
  EXPECT_TRUE(WholeFloodRecords(ReadWholeFile(log), count));
  EXPECT_GT(count, 10000);
}

// A small file system of its own fills up in the middle of a record.
TEST_F(BrenmarkFaults, FullDiskLeavesWholeRecords) {
  const std::string small = dir_.Path("small");
  ASSERT_EQ(mkdir(small.c_str(), 0700), 0);
  if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=200k") != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs (needs root): full disk not tried";
  }
  struct Unmount {
    std::string path;
    ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
  } unmount{small};
  StartFlood(200000, small + "/log.txt");
  EXPECT_EQ(logger_->Wait(30000), 61);
  EXPECT_NE(logger_->out().find("***ERROR*** exit, ExitCode: 61\r\n"), std::string::npos);
  int count = 0;
  // The exit line fits only when the failed record left it room.
  EXPECT_TRUE(
      WholeFloodRecords(ReadWholeFile(small + "/log.txt"), count, "Exit Code: 61 at T on M\r\n"));
  EXPECT_GT(count, 10000);
}

}  // namespace

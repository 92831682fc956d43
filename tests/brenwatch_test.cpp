// brenwatch against real logs: following brenmark as it writes, and commands
// that hang.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

namespace fs = std::filesystem;

// Polls `done` every 50 ms for at most `ms`.
template <typename Done>
bool Eventually(Done done, int ms) {
  for (int waited = 0; waited < ms; waited += 50) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return done();
}

std::string FakeTimeLibrary() {
  for (const char* path : {"/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1",
                           "/usr/lib/aarch64-linux-gnu/faketime/libfaketime.so.1",
                           "/usr/lib/faketime/libfaketime.so.1"}) {
    if (fs::exists(path)) return path;
  }
  return {};
}

// brenmark on a clock a thousand times fast, so an hour's switch comes in
// seconds.
std::unique_ptr<Child> StartLogger(const TempDir& dir, const std::string& start) {
  SpawnOptions options;
  options.cwd = dir.path();
  options.env = {"LD_PRELOAD=" + FakeTimeLibrary(), "FAKETIME=@" + start + " x1000"};
  return std::make_unique<Child>(std::vector<std::string>{BRENMARK_PATH, "sim.ini"}, options);
}

TEST(Brenwatch, FollowsBrenmarkAcrossASwitchAndANewRun) {
  if (FakeTimeLibrary().empty()) GTEST_SKIP() << "libfaketime missing: apt-get install faketime";
  TempDir dir;
  Child device({THERMOSIM_PATH, "--quiet", "--interval", "100"});
  ASSERT_TRUE(device.WaitForOutput("\n", 10000));
  std::string port_string = device.out().substr(0, device.out().find('\n'));
  dir.Write("sim.ini",
            "PORTSTR=" + port_string + "\nFILESTR=Therm0000.txt\nSWITCHHRS=1\nAPNDTIME=YES\n");
  // Started before any log exists; every event writes its environment, and
  // the repeats tell which log is followed.
  SpawnOptions in_dir;
  in_dir.cwd = dir.path();
  Child watch({BRENWATCH_PATH, "--plain", "--high", "0", "--repeat", "1", "--exec",
               "env | grep ^BRENWATCH_ | sort > \"$BRENWATCH_EVENT.env\"; "
               "echo \"$BRENWATCH_LOG\" >> logs.txt",
               "sim.ini"},
              in_dir);
  auto logs = [&] { return ReadWholeFile(dir.Path("logs.txt")); };

  auto logger = StartLogger(dir, "2026-12-09 05:59:57");
  ASSERT_TRUE(Eventually([&] { return logs().find("Therm0001.txt") != std::string::npos; }, 30000))
      << logs();
  logger->Signal(SIGTERM);
  logger->Wait();
  // The new run takes the first free number: the lower one, once it is free.
  fs::remove(dir.Path("Therm0000.txt"));
  size_t before = logs().size();
  logger = StartLogger(dir, "2026-12-09 09:00:00");
  ASSERT_TRUE(
      Eventually([&] { return logs().find("Therm0000.txt", before) != std::string::npos; }, 15000))
      << logs();
  logger->Signal(SIGTERM);
  logger->Wait();
  watch.Signal(SIGTERM);
  EXPECT_EQ(watch.Wait(10000), 0) << watch.err();

  std::smatch raise;
  std::string out = watch.out();
  ASSERT_TRUE(std::regex_search(
      out, raise, std::regex(R"(^(2026-12-09T\d\d:\d\d:\d\d),raise,high,(\d+\.\d+),0\n)")))
      << out;
  EXPECT_EQ(ReadWholeFile(dir.Path("raise.env")),
            "BRENWATCH_EVENT=raise\nBRENWATCH_KIND=high\nBRENWATCH_LIMIT=0\n"
            "BRENWATCH_LOG=Therm0000.txt\nBRENWATCH_TIME=" +
                raise[1].str() + "\nBRENWATCH_VALUE=" + raise[2].str() + "\n");
  EXPECT_TRUE(std::regex_search(logs(), std::regex("^Therm0000.txt\n(Therm0000.txt\n)*"
                                                   "(Therm0001.txt\n)+(Therm0000.txt\n)+")))
      << logs();
  device.Signal(SIGTERM);
}

TEST(Brenwatch, HangingCommandDelaysNoEvent) {
  TempDir dir;
  std::string log = dir.Write("therm.log", "7\n");
  Child watch(
      {BRENWATCH_PATH, "--plain", "--from-start", "--high", "8", "--exec", "sleep 30", log});
  for (const char* high : {"9.1", "9.2", "9.3"}) {
    std::ofstream(log, std::ios::app) << high << "\n7.5\n";
    EXPECT_TRUE(watch.WaitForOutput(std::string(",raise,high,") + high + ",8\n", 3000))
        << watch.out();
  }
  EXPECT_TRUE(watch.WaitForOutput(",clear,high,7.5,8\n", 3000)) << watch.out();
  watch.Signal(SIGTERM);
  EXPECT_EQ(watch.Wait(15000), 0);
  EXPECT_NE(watch.err().find("was ended"), std::string::npos) << watch.err();
}

TEST(Brenwatch, ReadingsThatStopRaiseStaleAndTheNextClearsIt) {
  TempDir dir;
  std::string log = dir.Write("therm.log", "; started\n");
  Child watch({BRENWATCH_PATH, "--plain", "--stale", "2", "--high", "8", log});
  // Readings 1.2 s apart are not stale, though brenwatch looks between
  // them: only the gap after them is.
  for (int i = 0; i < 3; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    std::ofstream(log, std::ios::app) << "7\n";
  }
  EXPECT_TRUE(watch.WaitForOutput(",raise,stale,,2\n", 6000)) << watch.out();
  // A comment is no reading; a reading clears the stale alarm before its own raise.
  std::ofstream(log, std::ios::app) << "; still no reading\n9\n";
  EXPECT_TRUE(watch.WaitForOutput(",raise,high,9,8\n", 3000)) << watch.out();
  std::regex order(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d,raise,stale,,2\n)"
                   R"((\S+),clear,stale,,2\n\1,raise,high,9,8\n$)");
  EXPECT_TRUE(std::regex_match(watch.out(), order)) << watch.out();
  watch.Signal(SIGINT);
  EXPECT_EQ(watch.Wait(5000), 0);
}

TEST(Brenwatch, OnceExitStatusAndUnreadableSource) {
  TempDir dir;
  std::string log =
      dir.Write("therm.log", "2026-12-09 06:00:00 7.5\r\n2026-12-09 06:00:10 8.5\r\n");
  RunResult raised = RunProgram({BRENWATCH_PATH, "--once", "--high", "8", log});
  EXPECT_EQ(raised.status, 4);
  EXPECT_EQ(raised.out, "2026-12-09T06:00:10,raise,high,8.5,8\n");
  EXPECT_EQ(RunProgram({BRENWATCH_PATH, "--once", "--high", "9", log}).status, 0);
  RunResult failed = RunProgram({BRENWATCH_PATH, "--once", "--high", "8", "--exec", "exit 3", log});
  EXPECT_EQ(failed.status, 4);
  EXPECT_NE(failed.err.find("the command for 2026-12-09T06:00:10,raise,high,8.5,8 failed "
                            "(exit status 3)"),
            std::string::npos)
      << failed.err;
  RunResult missing = RunProgram({BRENWATCH_PATH, "--once", "--high", "9", dir.Path("no.ini")});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("no.ini"), std::string::npos) << missing.err;
}

}  // namespace

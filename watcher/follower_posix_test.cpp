// The follower as brenmark's logs meet it on a POSIX system: file times to
// the nanosecond, and a writer that keeps its log open.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.hpp"
#include "watcher/follower.hpp"
#include "watcher/log_source.hpp"

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

std::vector<std::string> Lines(Follower& follower) {
  std::vector<std::string> lines;
  follower.Poll([&](const LogLine& line) { lines.emplace_back(line.text); });
  return lines;
}

LogSource Source(const std::string& path) {
  LogSource source;
  std::string error;
  EXPECT_TRUE(ReadLogSource(path, source, error)) << error;
  return source;
}

// Written a second apart, at .9 s and at .1 s: the fraction must not outweigh
// the second.
TEST(FollowerOnPosix, NumberedLogsInTheOrderWrittenToTheNanosecond) {
  TempDir dir;
  dir.Write("T0000.log", "first\n");
  dir.Write("T0001.log", "second\n");
  auto base = std::chrono::time_point_cast<std::chrono::seconds>(fs::file_time_type::clock::now()) -
              std::chrono::minutes(10);
  fs::last_write_time(dir.Path("T0000.log"), base + milliseconds(900));
  fs::last_write_time(dir.Path("T0001.log"), base + milliseconds(1100));
  Follower all(
      Source(dir.Write("lab.ini", "FILESTR=" + dir.Path("T0000.log") + "\nSWITCHHRS=1\n")));
  all.StartAtFirst();
  EXPECT_EQ(Lines(all), (std::vector<std::string>{"first", "second"}));
}

// brenmark appends record by record to a log it keeps open: each append
// wakes the wait, not only a close (or the next look a second later).
TEST(FollowerOnPosix, AnAppendToALogKeptOpenEndsTheWait) {
  TempDir dir;
  std::string log = dir.Write("therm.log", "");
  Follower follower(Source(log));
  follower.StartAtEnd();
  std::FILE* writer = std::fopen(log.c_str(), "ab");
  ASSERT_NE(writer, nullptr);
  std::atomic<bool> woken{false};
  std::thread appender([&] {
    for (int i = 0; i < 100 && !woken; ++i) {
      std::this_thread::sleep_for(milliseconds(100));
      std::fputs("7.5\n", writer);
      std::fflush(writer);
    }
  });
  auto start = std::chrono::steady_clock::now();
  follower.Wait(10000);
  auto waited = std::chrono::steady_clock::now() - start;
  woken = true;
  appender.join();
  std::fclose(writer);
  EXPECT_LT(waited, milliseconds(3000));
  EXPECT_FALSE(Lines(follower).empty());
}

// Logs there before the follow began, rewritten in place later (the same
// inode): read again from their beginning, not from the old length on.
TEST(FollowerOnPosix, ALogThereAtStartAndRewrittenIsReadWhole) {
  for (bool saved : {false, true}) {
    SCOPED_TRACE(saved ? "from a saved position" : "from the end");
    TempDir dir;
    dir.Write("T0001.log", "old1\n");
    dir.Write("T0002.log", "cur\n");
    auto now = fs::file_time_type::clock::now();
    fs::last_write_time(dir.Path("T0001.log"), now - std::chrono::seconds(30));
    fs::last_write_time(dir.Path("T0002.log"), now - std::chrono::seconds(20));
    LogSource source =
        Source(dir.Write("lab.ini", "FILESTR=" + dir.Path("T0000.log") + "\nSWITCHHRS=1\n"));
    Follower first(source);
    first.StartAtEnd();
    Follower follower(source);
    if (saved) {
      follower.StartAt(first.Position());
    } else {
      follower.StartAtEnd();
    }
    EXPECT_EQ(Lines(follower), std::vector<std::string>{});
    dir.Write("T0001.log", "new1\nnew2\n");
    fs::last_write_time(dir.Path("T0001.log"), now - std::chrono::seconds(25));
    EXPECT_EQ(Lines(follower), (std::vector<std::string>{"new1", "new2"}));
  }
}

}  // namespace

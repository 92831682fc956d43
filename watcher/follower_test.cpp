#include "watcher/follower.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <vector>

#include "services/files/files.hpp"
#include "tests/support/temp_dir.hpp"
#include "watcher/log_source.hpp"

namespace {

namespace fs = std::filesystem;

void Append(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::app) << text;
}

// Files written within one clock tick share a time: set it apart.
void SetAge(const std::string& path, int seconds_ago) {
  fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::seconds(seconds_ago));
}

std::vector<std::string> Lines(Follower& follower, size_t limit = 1000) {
  std::vector<std::string> lines;
  follower.Poll([&](const LogLine& line) { lines.emplace_back(line.text); }, limit);
  return lines;
}

using Strings = std::vector<std::string>;

// The follower names files as the system writes them.
std::string Native(const std::string& path) {
  return NativeFileName(path);
}

LogSource Source(const TempDir& dir, const std::string& ini) {
  LogSource source;
  std::string error;
  EXPECT_TRUE(ReadLogSource(dir.Write("lab.ini", ini), source, error)) << error;
  return source;
}

LogSource Numbered(const TempDir& dir) {
  return Source(dir, "FILESTR=" + dir.Path("T0000.log") + "\nSWITCHHRS=1\nAPNDTIME=YES\n");
}

TEST(ReadLogSource, IniSettingsAndBadSources) {
  TempDir dir;
  LogSource source = Source(dir, "FILESTR = " + dir.Path("Therm00000.txt") +
                                     " ; log\r\nSWITCHHRS=2\nDELIMITER=COMMA\nEOL=1\n");
  EXPECT_TRUE(source.from_ini);
  EXPECT_TRUE(source.numbered);
  EXPECT_EQ(source.suffix, ".txt");
  EXPECT_FALSE(source.stamped);
  EXPECT_EQ(source.delimiter, ", ");
  EXPECT_EQ(source.eol, "\n");
  EXPECT_EQ(NumberedLogName(source, "Therm0042.txt"), Native(dir.Path("Therm0042.txt")));
  for (const char* other : {"Therm042.txt", "Therm00042.txt", "Therm00x2.txt", "Therm0042.txt~"}) {
    EXPECT_EQ(NumberedLogName(source, other), "") << other;
  }
  EXPECT_FALSE(Source(dir, "FILESTR=" + dir.Path("T0000.log") + "\n").numbered);

  std::string error;
  EXPECT_FALSE(ReadLogSource(dir.Path("missing.log"), source, error));
  EXPECT_NE(error.find("missing.log"), std::string::npos);
  EXPECT_FALSE(ReadLogSource(dir.Write("no.ini", "PORTSTR=COM1:\n"), source, error));
  EXPECT_NE(error.find("FILESTR"), std::string::npos);
}

TEST(Follower, CompleteLinesOnlyWhateverTheirEnd) {
  TempDir dir;
  std::string log = dir.Write("one.log", "old\n2026-12-09\t06:0");
  LogSource source;
  std::string error;
  ASSERT_TRUE(ReadLogSource(log, source, error));
  Follower follower(source);
  follower.StartAtEnd();
  EXPECT_EQ(Lines(follower), Strings{});
  // The record being written when the follow began is read whole.
  Append(log, "0:00\t7.5\r\n1\r\n2\r3\n\n4");
  EXPECT_EQ(Lines(follower), (Strings{"2026-12-09\t06:00:00\t7.5", "1", "2", "3"}));
  EXPECT_TRUE(follower.AtEnd());
  Append(log, "5\r");
  EXPECT_EQ(Lines(follower), Strings{"45"});
  Append(log, "\n6\n7\n8\n");
  EXPECT_EQ(Lines(follower, 2), (Strings{"6", "7"}));
  EXPECT_FALSE(follower.AtEnd());
  EXPECT_EQ(Lines(follower), Strings{"8"});
  EXPECT_EQ(follower.CurrentFile(), Native(log));
  // A line longer than a read comes in pieces; nothing after it waits for ever.
  Append(log, std::string(300 * 1024, 'x') + "\n9\n");
  Strings pieces = Lines(follower);
  ASSERT_GE(pieces.size(), 2u);
  EXPECT_EQ(pieces.back(), "9");

  // Truncated, then replaced under its name: each read from its beginning.
  std::ofstream(log, std::ios::binary | std::ios::trunc) << "t\n";
  EXPECT_EQ(Lines(follower), Strings{"t"});
  std::string other = dir.Write("other.log", "r1\nr2\n");
  fs::rename(other, log);
  EXPECT_EQ(Lines(follower), (Strings{"r1", "r2"}));
}

TEST(Follower, AcrossSwitchesNewRunsAndLogsNotYetThere) {
  TempDir dir;
  Follower follower(Numbered(dir));
  follower.StartAtEnd();
  EXPECT_EQ(Lines(follower), Strings{});
  EXPECT_TRUE(follower.AtEnd());
  dir.Write("T0000.log", "a\n");
  EXPECT_EQ(Lines(follower), Strings{"a"});
  Append(dir.Path("T0000.log"), "b\n");
  SetAge(dir.Path("T0000.log"), 20);
  dir.Write("T0001.log", "c\n");
  SetAge(dir.Path("T0001.log"), 10);
  EXPECT_EQ(Lines(follower), (Strings{"b", "c"}));
  EXPECT_EQ(follower.CurrentFile(), Native(dir.Path("T0001.log")));
  // A new run takes the first free number, here a lower one.
  fs::remove(dir.Path("T0000.log"));
  dir.Write("T0000.log", "d\n");
  EXPECT_EQ(Lines(follower), Strings{"d"});
  EXPECT_EQ(follower.CurrentFile(), Native(dir.Path("T0000.log")));
  EXPECT_EQ(Lines(follower), Strings{});
}

TEST(Follower, EveryLogOldestFirstAndIndependentRestarts) {
  TempDir dir;
  dir.Write("T0000.log", "new1\nnew2\n");
  dir.Write("T0007.log", "old1\n");
  dir.Write("T0008.log", "mid1\npart");
  dir.Write("Tx.log", "not a run file\n");
  SetAge(dir.Path("T0007.log"), 30);
  SetAge(dir.Path("T0008.log"), 20);
  SetAge(dir.Path("T0000.log"), 10);
  LogSource source = Numbered(dir);
  Follower all(source);
  all.StartAtFirst();
  std::vector<LogPosition> after;
  all.Poll([&](const LogLine& line) { after.push_back(line.after); });
  EXPECT_TRUE(all.AtEnd());
  ASSERT_EQ(after.size(), 4u);
  EXPECT_EQ(after[1].file, Native(dir.Path("T0008.log")));
  EXPECT_EQ(after[1].offset, 5u);

  // A second follower of the same logs, from a saved position.
  Follower again(source);
  again.StartAt(after[1]);
  EXPECT_EQ(Lines(again), (Strings{"new1", "new2"}));
  Follower beginning(source);
  beginning.StartAtBeginning();
  EXPECT_EQ(Lines(beginning), (Strings{"new1", "new2"}));

  // The saved file is gone: the files written after it, whatever their
  // numbers, are read from their start.
  fs::remove(dir.Path("T0007.log"));
  Follower gone(source);
  gone.StartAt(after[0]);
  EXPECT_EQ(Lines(gone), (Strings{"mid1", "new1", "new2"}));
  Append(dir.Path("T0008.log"), "ial\n");
  SetAge(dir.Path("T0008.log"), 20);
  EXPECT_EQ(Lines(gone), (Strings{"partial"}));
}

TEST(Follower, SavedPositionsLoseAndInventNothing) {
  TempDir dir;
  LogSource source = Numbered(dir);
  // Rewritten in place (same inode), longer than what was read of it.
  dir.Write("T0000.log", "a\nb\n");
  Follower follower(source);
  follower.StartAtFirst();
  EXPECT_EQ(Lines(follower), (Strings{"a", "b"}));
  dir.Write("T0000.log", "c\nd\ne\n");
  EXPECT_EQ(Lines(follower), (Strings{"c", "d", "e"}));

  // Started on a half-written line: its position is the line end before it.
  Append(dir.Path("T0000.log"), "hal");
  Follower at_end(source);
  at_end.StartAtEnd();
  LogPosition half = at_end.Position();
  EXPECT_EQ(half.offset, 6u);
  Append(dir.Path("T0000.log"), "f\n");
  Follower resumed(source);
  resumed.StartAt(half);
  EXPECT_EQ(Lines(resumed), Strings{"half"});

  // No log yet when the position was taken: whatever comes is read whole.
  TempDir empty;
  LogSource later = Numbered(empty);
  Follower before(later);
  before.StartAtEnd();
  LogPosition none = before.Position();
  EXPECT_EQ(none.identity, 0u);
  empty.Write("T0003.log", "g\n");
  Follower restarted(later);
  restarted.StartAt(none);
  EXPECT_EQ(Lines(restarted), Strings{"g"});
}

}  // namespace

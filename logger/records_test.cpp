// PROCESSDATA: the console echo and the log record of one line, the degree
// offset that comment lines carry, and a record that cannot be written.
#include <gtest/gtest.h>

#include <string>

#include "logger/run_test_fakes.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

struct RecordCase {
  const char* name;
  int8_t apnd_time;
  int8_t std_out;
  std::string delimiter;
  std::string eol;
  std::string line;
  std::string echo;    // console, CR LF included
  std::string record;  // log file
};

class RecordTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RecordTest, EchoAndRecord) {
  const RecordCase& c = GetParam();
  RunFakes fakes;
  FakeLogFile& log = fakes.LogToFake();
  fakes.clock.Set(2013, 10, 8, 14, 5, 9);
  Settings.ApndTime = c.apnd_time;
  Settings.StdOut = c.std_out;
  Settings.Delimiter = c.delimiter;
  Settings.EolStr = c.eol;
  std::string line = c.line;
  EXPECT_EQ(PROCESSDATA(line), 0);
  EXPECT_EQ(line, "");
  EXPECT_EQ(fakes.console.out, c.echo);
  EXPECT_EQ(log.written, c.record);
  EXPECT_EQ(log.writes, 1);
  EXPECT_EQ(log.flushes, 1);
}

const RecordCase kRecordCases[] = {
    {"Bare", 0, 0, "\t", "\r\n", "72.5", "72.5\r\n", "72.5\r\n"},
    {"BareLf", 0, 1, "\t", "\n", "72.5", "72.5\r\n", "72.5\n"},
    {"BareCr", 0, 0, "\t", "\r", "72.5", "72.5\r\n", "72.5\r"},
    {"StampedFixedEcho", 1, 0, "\t", "\r\n", "72.5", "2013-10-08  14:05:09    72.5\r\n",
     "2013-10-08\t14:05:09\t72.5\r\n"},
    {"StampedDelimitedEcho", 1, 1, "\t", "\r\n", "72.5", "2013-10-08\t14:05:09\t72.5\r\n",
     "2013-10-08\t14:05:09\t72.5\r\n"},
    {"Comma", 1, 1, ", ", "\n", "72.5", "2013-10-08, 14:05:09, 72.5\r\n",
     "2013-10-08, 14:05:09, 72.5\n"},
    {"Collon", 1, 0, ": ", "\r\n", "72.5", "2013-10-08  14:05:09    72.5\r\n",
     "2013-10-08: 14:05:09: 72.5\r\n"},
    {"EmptyDelimiter", 1, 1, "", "\r\n", "72.5", "2013-10-0814:05:0972.5\r\n",
     "2013-10-0814:05:0972.5\r\n"},
    {"Blanks", 1, 1, "   ", "\r", "7", "2013-10-08   14:05:09   7\r\n",
     "2013-10-08   14:05:09   7\r"},
    {"CommentUnstamped", 1, 1, "\t", "\r\n", ";status ok", ";status ok\r\n", ";status ok\r\n"},
    {"DataWithSemicolonLaterIsStamped", 1, 1, ",", "\r\n", "7;x", "2013-10-08,14:05:09,7;x\r\n",
     "2013-10-08,14:05:09,7;x\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Layouts, RecordTest, ::testing::ValuesIn(kRecordCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Records, DateAndTimeComeFromOneReadingOfTheClock) {
  RunFakes fakes;
  FakeLogFile& log = fakes.LogToFake();
  fakes.clock.Set(2014, 2, 1, 21, 5, 0);
  Settings.ApndTime = 1;
  std::string line = "1";
  PROCESSDATA(line);
  EXPECT_EQ(log.written, "2014-02-01\t21:05:00\t1\r\n");
}

TEST(Records, WithoutLogFileOnlyTheEcho) {
  RunFakes fakes;
  Settings.LogToFile = 0;
  Settings.SwitchHrs = 1;
  Settings.LastHour = 3;
  fakes.clock.Set(2013, 10, 8, 5, 0, 0);
  std::string line = "72.5";
  EXPECT_EQ(PROCESSDATA(line), 0);
  EXPECT_EQ(fakes.console.out, "72.5\r\n");
  // The time check did not run.
  EXPECT_EQ(Settings.HourCount, 0);
  EXPECT_EQ(Settings.LastHour, 3);
}

struct OffsetCase {
  const char* name;
  std::string line;
  float offset;  // starting from 9
};

class OffsetTest : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(OffsetTest, PicksUpTheOffset) {
  RunFakes fakes;
  Settings.DegreeOffset = 9.0f;
  std::string line = GetParam().line;
  PROCESSDATA(line);
  EXPECT_EQ(Settings.DegreeOffset, GetParam().offset);
}

const OffsetCase kOffsetCases[] = {
    {"Tab", ";Offset:\t0.75", 0.75f},
    {"Blanks", ";Offset:\t  -1.5  ", -1.5f},
    {"TextBeforeKeyword", "; current Offset:\t2.25", 2.25f},
    {"FirstTabCounts", ";\tOffset:\t3", 0.0f},
    {"NoTab", ";Offset: 4", 0.0f},
    {"NotAComment", "72 Offset:\t4", 9.0f},
    {"KeywordCase", ";offset:\t4", 9.0f},
    {"NoNumber", ";Offset:\tnone", 0.0f},
    // A tab past character 127 is still the first tab.
    {"LateTab", ";Offset:" + std::string(150, ' ') + "\t1.25", 1.25f},
};

INSTANTIATE_TEST_SUITE_P(Offsets, OffsetTest, ::testing::ValuesIn(kOffsetCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct FailureCase {
  const char* name;
  int write_result;
  int flush_result;
  int reported;
};

class RecordFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(RecordFailureTest, EndsWithSixtyOne) {
  const FailureCase& c = GetParam();
  RunFakes fakes;
  FakeLogFile& log = fakes.LogToFake("/var/log/Therm0003.txt");
  log.write_result = c.write_result;
  log.flush_result = c.flush_result;
  std::string line = "72.5";
  EXPECT_EQ(PROCESSDATA(line), kLogWriteFailed);
  EXPECT_EQ(Settings.ExitCode, kLogWriteFailed);
  EXPECT_EQ(line, "72.5");
  EXPECT_EQ(fakes.console.out,
            "72.5\r\n***Error*** writting file: /var/log/Therm0003.txt\r\nError reported was: " +
                std::to_string(c.reported) + "\r\n");
}

const FailureCase kFailureCases[] = {
    {"Write", 3, 0, 3},
    {"NotOpen", 1, 1, 1},
    // A record counts only once it has reached the system.
    {"Flush", 0, 3, 3},
};

INSTANTIATE_TEST_SUITE_P(Failures, RecordFailureTest, ::testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Records, RealFileReceivesEachRecordAtOnce) {
  RunFakes fakes;
  TempDir dir;
  std::string path = dir.Write("log.txt", "earlier\r\n");
  ASSERT_EQ(OpenFile(kLogFileNumber, path, OpenMode::kAppend), 0);
  Settings.LogToFile = 1;
  Settings.FileStr = path;
  std::string line = "72.5";
  PROCESSDATA(line);
  EXPECT_EQ(ReadWholeFile(path), "earlier\r\n72.5\r\n");
  line = ";c";
  PROCESSDATA(line);
  EXPECT_EQ(ReadWholeFile(path), "earlier\r\n72.5\r\n;c\r\n");
}

TEST(Records, FullDeviceIsAFailedWrite) {
  RunFakes fakes;
  ASSERT_EQ(OpenFile(kLogFileNumber, "/dev/full", OpenMode::kAppend), 0);
  Settings.LogToFile = 1;
  Settings.FileStr = "/dev/full";
  std::string line = "72.5";
  EXPECT_EQ(PROCESSDATA(line), kLogWriteFailed);
  EXPECT_EQ(fakes.console.out,
            "72.5\r\n***Error*** writting file: /dev/full\r\nError reported was: 3\r\n");
}

}  // namespace

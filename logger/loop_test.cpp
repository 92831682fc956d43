// The receive side of the main loop: which bytes make which lines, and how
// the loop ends.
#include <gtest/gtest.h>

#include <string>

#include "logger/run_test_fakes.hpp"

namespace {

struct LineCase {
  const char* name;
  std::string received;
  std::string records;  // the log file, ApndTime off and CR LF records
  int8_t result;
};

class ReceiveTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(ReceiveTest, MakesTheseRecords) {
  const LineCase& c = GetParam();
  RunFakes fakes;
  FakeLogFile& log = fakes.LogToFake();
  fakes.port->Bytes(c.received);
  EXPECT_EQ(COMMUNICATIONS(), c.result);
  EXPECT_EQ(log.written, c.records);
  // The echo is the same lines, always CR LF ended.
  EXPECT_EQ(fakes.console.out, c.records);
}

std::string AllBytesBut(std::string_view skip) {
  std::string s;
  for (int b = 0; b < 256; ++b) {
    if (skip.find(static_cast<char>(b)) == std::string_view::npos) s += static_cast<char>(b);
  }
  return s;
}

std::string Printable() {
  std::string s = "\t";
  for (int b = 32; b <= 126; ++b) s += static_cast<char>(b);
  return s;
}

const LineCase kLineCases[] = {
    {"CrLfIsOneLine", "12.5\r\n\x04", "12.5\r\n", kEndOfTransmission},
    {"LfAlone", "1\n2\n\x04", "1\r\n2\r\n", kEndOfTransmission},
    {"CrAlone", "1\r2\r\x04", "1\r\n2\r\n", kEndOfTransmission},
    {"LfCr", "1\n\r2\n\r\x04", "1\r\n2\r\n", kEndOfTransmission},
    {"BlankLinesVanish", "\r\n\r\n\n\r7\r\n\r\n\x04", "7\r\n", kEndOfTransmission},
    {"TabStays", "a\tb\t\r\n\x04", "a\tb\t\r\n", kEndOfTransmission},
    {"PartialLineBeforeEot", "abc\x04", "abc\r\n", kEndOfTransmission},
    {"EotOnEmptyLine", "\x04", "", kEndOfTransmission},
    {"NothingAfterEot",
     "1\r\n\x04"
     "2\r\n",
     "1\r\n", kEndOfTransmission},
    // Only tab and 32..126 survive; 4, 10 and 13 would end the line early.
    {"ByteFilter", AllBytesBut("\x04\n\r") + "\r\n\x04", Printable() + "\r\n", kEndOfTransmission},
    {"OnlyControlBytes", std::string("\x00\x01\x7f\x80\xff\x1b\r\n\x04", 9), "",
     kEndOfTransmission},
    {"NulInsideLine",
     std::string("7\x00"
                 "2\r\n\x04",
                 6),
     "72\r\n", kEndOfTransmission},
};

INSTANTIATE_TEST_SUITE_P(Lines, ReceiveTest, ::testing::ValuesIn(kLineCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Receive, ReadsOneBytePerPassWithoutSleepingWhileBytesWait) {
  RunFakes fakes;
  fakes.port->Bytes("72.5\r\n73.0\r\n\x04");
  COMMUNICATIONS();
  EXPECT_EQ(fakes.port->reads, 13);
  EXPECT_EQ(fakes.port->at_end_calls, 13);
  EXPECT_TRUE(fakes.clock.sleeps.empty());
}

TEST(Receive, SleepsTwentyFiveMillisecondsOnlyWhenIdle) {
  RunFakes fakes;
  fakes.port->Bytes("1\r\n").Keys({}).Keys({}).Keys({}).Bytes("\x04");
  COMMUNICATIONS();
  EXPECT_EQ(fakes.clock.sleeps, (std::vector<int>{25, 25, 25}));
}

TEST(Receive, UnknownPortStatusCountsAsIdle) {
  RunFakes fakes;
  fakes.port->UnknownStatus().UnknownStatus().Bytes("5\r\n\x04");
  EXPECT_EQ(COMMUNICATIONS(), kEndOfTransmission);
  EXPECT_EQ(fakes.clock.sleeps, (std::vector<int>{25, 25}));
  EXPECT_EQ(fakes.console.out, "5\r\n");
}

TEST(Receive, IdleLineLeavesTheRunGoing) {
  RunFakes fakes;
  // The fake ends with EOT after a long idle spell.
  EXPECT_EQ(COMMUNICATIONS(), kEndOfTransmission);
  EXPECT_EQ(fakes.port->idle_after_script, FakePort::kIdleLimit + 1);
  EXPECT_EQ(fakes.port->reads, 1);
}

TEST(Receive, ReadFailureEndsWithSixty) {
  RunFakes fakes;
  Settings.PortStr = "/dev/ttyUSB0:9600,N,8,1";
  fakes.port->Bytes("12").ReadError(3).Bytes("\r\n");
  FakeLogFile& log = fakes.LogToFake();
  EXPECT_EQ(COMMUNICATIONS(), kPortReadFailed);
  EXPECT_EQ(Settings.ExitCode, kPortReadFailed);
  EXPECT_EQ(fakes.console.out,
            "***Fatal Error*** reading com port\r\n"
            "/dev/ttyUSB0:9600,N,8,1\r\n"
            "Error code was: 3\r\n");
  EXPECT_EQ(log.written, "");
}

TEST(Receive, KeysTypedBeforeTheLoopAreDropped) {
  RunFakes fakes;
  fakes.console.ready = {'S', '1', 27};
  fakes.port->Bytes("\x04");
  EXPECT_EQ(COMMUNICATIONS(), kEndOfTransmission);
  EXPECT_EQ(fakes.port->sent, "");
}

TEST(Receive, KeysAreHandledBetweenBytes) {
  RunFakes fakes;
  fakes.port->Bytes("7").Keys({'S'}).Bytes("2\r\n").Keys({27}).Bytes("9\r\n");
  EXPECT_EQ(COMMUNICATIONS(), kExitKeyPressed);
  EXPECT_EQ(fakes.port->sent, "ST\r\n");
  EXPECT_EQ(fakes.console.out, "72\r\n");
}

TEST(Receive, FailedRecordEndsTheLoopAtOnce) {
  RunFakes fakes;
  FakeLogFile& log = fakes.LogToFake("log.txt");
  log.write_result = 3;
  fakes.port->Bytes("1\r\n2\r\n\x04");
  EXPECT_EQ(COMMUNICATIONS(), kLogWriteFailed);
  EXPECT_EQ(fakes.port->reads, 2);
}

TEST(Receive, EndOfTransmissionDoesNotHideAFailedRecord) {
  RunFakes fakes;
  FakeLogFile& log = fakes.LogToFake("log.txt");
  log.flush_result = 3;
  fakes.port->Bytes("abc\x04");
  EXPECT_EQ(COMMUNICATIONS(), kLogWriteFailed);
  EXPECT_EQ(Settings.ExitCode, kLogWriteFailed);
}

// A hung-up port is closed, tried again about once a second by the same
// port string, and the run goes on in the same log; keys work meanwhile.
struct LostCase {
  const char* name;
  int fails;       // tries that fail before the port opens again
  int key_at_try;  // typed at this try: 'S' (not sent) or the exit key
  int key;
  int8_t result;
  std::string log;
};

class LostPortTest : public ::testing::TestWithParam<LostCase> {};

TEST_P(LostPortTest, IsOpenedAgain) {
  const LostCase& c = GetParam();
  RunFakes fakes;
  Settings.PortStr = "/dev/ttyUSB0:9600,N,8,1";
  FakeLogFile& log = fakes.LogToFake();
  fakes.port->Bytes("1\r\n2").HangUp();
  std::vector<int64_t> tries;
  FakePort* back = nullptr;
  SetPortOpener([&](int number, std::string_view port_string) {
    EXPECT_EQ(port_string, Settings.PortStr);
    tries.push_back(fakes.clock.micros);
    if (static_cast<int>(tries.size()) == c.key_at_try) fakes.console.ready.push_back(c.key);
    if (static_cast<int>(tries.size()) <= c.fails) return 2;
    back = new FakePort(&fakes.console);
    back->Bytes("3\r\n\x04");
    return InstallChannel(number, std::unique_ptr<Channel>(back));
  });
  EXPECT_EQ(COMMUNICATIONS(), c.result);
  EXPECT_EQ(log.written, c.log);
  const std::string lost =
      "***Error*** lost com port, reopening it every second: /dev/ttyUSB0:9600,N,8,1\r\n";
  EXPECT_EQ(fakes.console.out.find("1\r\n2\r\n" + lost), 0u) << fakes.console.out;
  bool reopened = fakes.console.out.find("Com port reopened: /dev/ttyUSB0:9600,N,8,1\r\n3\r\n") !=
                  std::string::npos;
  EXPECT_EQ(reopened, c.result == kEndOfTransmission) << fakes.console.out;
  if (back != nullptr) {
    EXPECT_EQ(back->sent, "");
  }
  for (size_t i = 1; i < tries.size(); ++i) {
    EXPECT_GE(tries[i] - tries[i - 1], 1000000);
    EXPECT_LT(tries[i] - tries[i - 1], 1100000);
  }
  // The port is closed already: ending the run reports no close failure.
  EXPECT_EQ(CLOSECOMMUNICATIONS(), c.result);
}

const LostCase kLostCases[] = {
    {"ComesBackAndLogsOn", 2, 1, 'S', kEndOfTransmission, "1\r\n2\r\n3\r\n"},
    {"ExitKeyWhileLost", 1000, 3, 27, kExitKeyPressed, "1\r\n2\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Receive, LostPortTest, ::testing::ValuesIn(kLostCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

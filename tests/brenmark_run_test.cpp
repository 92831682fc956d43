// brenmark against a pseudo-terminal as its device: the records it writes,
// how each kind of ending looks, and runs without anyone at the keyboard.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>

#include "tests/brenmark_run_support.hpp"

namespace {

using brenmark_run::LoggerRun;
using brenmark_run::Masked;

struct LayoutCase {
  const char* name;
  std::string ini;
  std::string log;      // masked
  std::string console;  // masked, after the "ready" echo
};

class RecordLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(RecordLayout, LogAndConsole) {
  const LayoutCase& c = GetParam();
  LoggerRun run("FILESTR={dir}/log.txt\n" + c.ini);
  Child& child = run.Start();
  run.device.Write("72.5\r\n;Offset:\t0.5\r\n\x04");
  EXPECT_EQ(child.Wait(), 51);
  EXPECT_EQ(Masked(run.Log()), c.log);
  EXPECT_EQ(Masked(run.ConsoleAfterReady()), c.console);
}

const LayoutCase kLayouts[] = {
    {"Bare", "", "ready\r\n72.5\r\n;Offset:\t0.5\r\nExit Code: 51 at T on M\r\n",
     "72.5\r\n;Offset:\t0.5\r\nNormal exit, EOT recieved in data stream\r\n"},
    {"StampedTab", "APNDTIME=YES\n",
     "D\tT\tready\r\nD\tT\t72.5\r\n;Offset:\t0.5\r\nExit Code: 51 at T on M\r\n",
     "D\tT\t72.5\r\n;Offset:\t0.5\r\nNormal exit, EOT recieved in data stream\r\n"},
    {"StampedCommaLf", "APNDTIME=YES\nDELIMITER=COMMA\nEOL=1\n",
     "D, T, ready\nD, T, 72.5\n;Offset:\t0.5\nExit Code: 51 at T on M\r\n",
     "D, T, 72.5\r\n;Offset:\t0.5\r\nNormal exit, EOT recieved in data stream\r\n"},
    {"StampedCollonCr", "APNDTIME=YES\nDELIMITER=COLLON\nEOL=2\n",
     "D: T: ready\rD: T: 72.5\r;Offset:\t0.5\rExit Code: 51 at T on M\r\n",
     "D: T: 72.5\r\n;Offset:\t0.5\r\nNormal exit, EOT recieved in data stream\r\n"},
    {"StampedBlanks", "APNDTIME=YES\nDELIMITER=3\n",
     "D   T   ready\r\nD   T   72.5\r\n;Offset:\t0.5\r\nExit Code: 51 at T on M\r\n",
     "D   T   72.5\r\n;Offset:\t0.5\r\nNormal exit, EOT recieved in data stream\r\n"},
    {"StampedNoDelimiter", "APNDTIME=YES\nDELIMITER=zero\n",
     "DTready\r\nDT72.5\r\n;Offset:\t0.5\r\nExit Code: 51 at T on M\r\n",
     "DT72.5\r\n;Offset:\t0.5\r\nNormal exit, EOT recieved in data stream\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Brenmark, RecordLayout, ::testing::ValuesIn(kLayouts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BrenmarkRun, FixedEchoWithoutStdOut) {
  LoggerRun run("APNDTIME=YES\n", true);
  // STDOUT=YES comes first in the INI file and cannot be switched off, so
  // write this one by hand.
  run.dir.Write("test.ini", "PORTSTR=" + brenmark_run::PortFor(run.device) + "\nAPNDTIME=YES\n");
  SpawnOptions options;
  options.cwd = run.dir.path();
  Child child({BRENMARK_PATH, "test.ini"}, options);
  // Nothing shows that the loop runs; data that waits in the terminal is
  // read once it does.
  run.device.Write("72.5\r\n\x04");
  EXPECT_EQ(child.Wait(), 51);
  EXPECT_EQ(Masked(child.out()), "D  T    72.5\r\nNormal exit, EOT recieved in data stream\r\n");
}

TEST(BrenmarkRun, ByteFilterAndLineEnds) {
  LoggerRun run("FILESTR={dir}/log.txt\n");
  Child& child = run.Start();
  std::string noise;
  for (int b = 0; b < 256; ++b) {
    if (b != 4 && b != 10 && b != 13) noise += static_cast<char>(b);
  }
  std::string kept = "\t";
  for (int b = 32; b <= 126; ++b) kept += static_cast<char>(b);
  run.device.Write(noise + "\r\n\r\n\n\rA\rB\nC\n\rD\r\n\x1b\x7f\x80\r\n\x04");
  EXPECT_EQ(child.Wait(), 51);
  EXPECT_EQ(Masked(run.Log()),
            "ready\r\n" + kept + "\r\nA\r\nB\r\nC\r\nD\r\nExit Code: 51 at T on M\r\n");
}

TEST(BrenmarkRun, EndOfTransmissionWithAndWithoutPartialLine) {
  for (const char* tail : {"partial\x04", "\x04"}) {
    SCOPED_TRACE(tail);
    LoggerRun run("FILESTR={dir}/log.txt\n");
    Child& child = run.Start();
    run.device.Write(tail);
    EXPECT_EQ(child.Wait(), 51);
    std::string line = tail[0] == 'p' ? "partial\r\n" : "";
    EXPECT_EQ(Masked(run.Log()), "ready\r\n" + line + "Exit Code: 51 at T on M\r\n");
    EXPECT_EQ(run.ConsoleAfterReady(), line + "Normal exit, EOT recieved in data stream\r\n");
    EXPECT_EQ(child.err(), "");
  }
}

TEST(BrenmarkRun, AppendsAcrossRuns) {
  TempDir shared;
  std::string earlier = shared.Write("log.txt", "from before\r\n");
  for (const char* reading : {"1.5", "2.5"}) {
    LoggerRun run("FILESTR=" + earlier + "\n");
    Child& child = run.Start();
    run.device.Write(std::string(reading) + "\r\n\x04");
    EXPECT_EQ(child.Wait(), 51);
  }
  EXPECT_EQ(Masked(ReadWholeFile(earlier)),
            "from before\r\nready\r\n1.5\r\nExit Code: 51 at T on M\r\n"
            "ready\r\n2.5\r\nExit Code: 51 at T on M\r\n");
}

TEST(BrenmarkRun, MissingPortThenMissingFolder) {
  LoggerRun run("PORTSTR=/nonexistent/ttyQ:9600,N,8,1\nFILESTR={dir}/nofolder/log.txt\n", false);
  Child& child = run.Start(Stdin::kNull, false);
  EXPECT_EQ(child.Wait(), 59);
  std::string out = child.out();
  std::string tail = out.substr(out.find("***Fatal Error***"));
  EXPECT_EQ(tail,
            "***Fatal Error*** opening com port using string: \r\n"
            "/nonexistent/ttyQ:9600,N,8,1\r\n"
            "Error code was: 2\r\n"
            "***ERROR*** exit, ExitCode: 58\r\n"
            "***Error*** opening file: " +
                run.dir.Path("nofolder/log.txt") +
                "\r\n"
                "Error reported was: 2\r\n"
                "***ERROR*** exit, ExitCode: 59\r\n");
}

TEST(BrenmarkRun, FullDiskEndsWithSixtyOne) {
  LoggerRun run("FILESTR=/dev/full\n");
  Child& child = run.Start(Stdin::kNull, false);
  ASSERT_TRUE(child.WaitForOutput("to exit.", 10000));
  run.device.Write("72.5\r\n73.5\r\n");
  int status = child.Wait();
  // The final "Exit Code:" line cannot reach the full device either; that
  // failure is not reported and does not make the close fail.
  EXPECT_EQ(status, 61);
  std::string out = child.out();
  EXPECT_EQ(out.substr(out.find("72.5")),
            "72.5\r\n"
            "***Error*** writting file: /dev/full\r\n"
            "Error reported was: 3\r\n"
            "***ERROR*** exit, ExitCode: 61\r\n");
}

TEST(BrenmarkRun, UnattendedRunLastsUntilEndOfTransmission) {
  LoggerRun run("FILESTR={dir}/log.txt\n");
  Child& child = run.Start(Stdin::kNull);
  for (int i = 0; i < 5; ++i) {
    run.device.Write(std::to_string(i) + "\r\n");
    ASSERT_TRUE(child.WaitForOutput(std::to_string(i) + "\r\n", 5000));
  }
  run.device.Write("\x04");
  EXPECT_EQ(child.Wait(), 51);
  EXPECT_EQ(Masked(run.Log()), "ready\r\n0\r\n1\r\n2\r\n3\r\n4\r\nExit Code: 51 at T on M\r\n");
}

TEST(BrenmarkRun, PipedKeysEndingWithoutExitKeyLeaveTheRunGoing) {
  LoggerRun run("FILESTR={dir}/log.txt\n");
  Child& child = run.Start(Stdin::kPipe);
  child.Type("S");
  child.CloseStdin();
  EXPECT_EQ(run.device.Read(5000, "ST\r\n"), "ST\r\n");
  run.device.Write("1\r\n\x04");
  EXPECT_EQ(child.Wait(), 51);
}

// Complete stamped records 0, 1, 2, ... in order, each once, nothing else
// after the "ready" line.
::testing::AssertionResult HoldsCountedRecords(const std::string& masked, int& count) {
  const std::string head = "D\tT\tready\r\n";
  if (masked.compare(0, head.size(), head) != 0) return ::testing::AssertionFailure() << masked;
  size_t at = head.size();
  count = 0;
  while (at < masked.size()) {
    std::string want = "D\tT\t" + std::to_string(count) + "\r\n";
    if (masked.compare(at, want.size(), want) != 0) {
      return ::testing::AssertionFailure()
             << "record " << count << " is wrong: " << masked.substr(at, 40);
    }
    at += want.size();
    ++count;
  }
  return ::testing::AssertionSuccess();
}

TEST(BrenmarkRun, TerminationRequestMidStreamKeepsEveryRecordIntact) {
  LoggerRun run("APNDTIME=YES\nFILESTR={dir}/log.txt\n");
  Child& child = run.Start(Stdin::kNull);
  // The device keeps sending while the request comes, from a writer that
  // gives up once the logger is gone.
  std::string lines;
  for (int i = 0; i < 20000; ++i) lines += std::to_string(i) + "\r\n";
  std::atomic<bool> stop{false};
  fcntl(run.device.master(), F_SETFL, O_NONBLOCK);
  std::thread writer([&] {
    size_t at = 0;
    while (at < lines.size() && !stop) {
      ssize_t n =
          write(run.device.master(), lines.data() + at, std::min<size_t>(512, lines.size() - at));
      if (n > 0) {
        at += static_cast<size_t>(n);
      } else {
        pollfd p{run.device.master(), POLLOUT, 0};
        poll(&p, 1, 10);
      }
    }
  });
  bool streaming = child.WaitForOutput("\t100\r\n", 10000);
  child.Signal(SIGTERM);
  int status = child.Wait();
  stop = true;
  writer.join();
  ASSERT_TRUE(streaming);
  EXPECT_EQ(status, 13);
  EXPECT_NE(child.err().find("Aborting due to runtime error 13 (\"termination request\" signal)"),
            std::string::npos)
      << child.err();
  int count = 0;
  EXPECT_TRUE(HoldsCountedRecords(Masked(run.Log()), count));
  EXPECT_GE(count, 100);  // the echo of 100 comes before its record
  EXPECT_EQ(run.Log().find("Exit Code:"), std::string::npos);
}

TEST(BrenmarkRun, CtrlCReportsRestoresTheTerminalAndKeepsTheLog) {
  LoggerRun run("FILESTR={dir}/log.txt\n");
  Child& child = run.Start(Stdin::kPty);
  run.device.Write("72.5\r\n");
  // The echo comes before the record: wait for the record itself.
  for (int i = 0; i < 500 && run.Log() != "ready\r\n72.5\r\n"; ++i) run.device.Read(10);
  child.Type("\x03");
  EXPECT_EQ(child.Wait(), 9);
  EXPECT_EQ(child.err(),
            "\nAborting due to runtime error 9 (\"interrupted\" signal) in "
            "Brenmark::COMMUNICATIONS()\n\n");
  EXPECT_EQ(run.Log(), "ready\r\n72.5\r\n");
  EXPECT_EQ(child.out().find("Normal exit"), std::string::npos);
  termios after;
  ASSERT_EQ(tcgetattr(child.terminal(), &after), 0);
  EXPECT_TRUE(after.c_lflag & ECHO);
  EXPECT_TRUE(after.c_lflag & ICANON);
}

}  // namespace

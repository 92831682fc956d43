// Keys typed at a running brenmark: the bytes the device receives and the
// lines the console shows, through a pipe and through a terminal.
#include <gtest/gtest.h>

#include <string>

#include "tests/brenmark_run_support.hpp"

namespace {

using brenmark_run::LoggerRun;

TEST(BrenmarkKeys, EveryCommandKeyThroughAPipe) {
  LoggerRun run("USERSTR4=?S\n");
  Child& child = run.Start(Stdin::kPipe);
  child.Type("1234567890DFCAERVMBSQLZ<>.>U4");
  std::string expected_device =
      "T1\r\nT2\r\nT3\r\nT4\r\nT5\r\nT6\r\nT7\r\nT8\r\nT9\r\nT0\r\n"
      "DB\r\nFF\r\nCF\r\nIT\r\nE+\r\n00\r\nRF\r\nDB\r\n00\r\nRF CF IF FT ST\r\n"
      "W-\r\nST\r\nED\r\n??\r\nDO -0.25\r\nDO 0.0001\r\nDO 0.2501\r\nDO 0.5001\r\n?S\r\n";
  std::string device = run.device.Read(8000, "?S\r\n");
  EXPECT_EQ(device, expected_device);
  child.Type("\x1b");
  EXPECT_EQ(child.Wait(), 50);
  EXPECT_EQ(run.ConsoleAfterReady(),
            "Report Time set to 1 minute\r\n"
            "Report Time set to 2 minutes\r\n"
            "Report Time set to 3 minutes\r\n"
            "Report Time set to 4 minutes\r\n"
            "Report Time set to 5 minutes\r\n"
            "Report Time set to 10 minutes\r\n"
            "Report Time set to 15 minutes\r\n"
            "Report Time set to 20 minutes\r\n"
            "Report Time set to 30 minutes\r\n"
            "Report Time set to 60 minutes\r\n"
            "Turn Debug mode on\r\n"
            "Turn Fahrenheit Mode off\r\n"
            "Turn Celsius Mode off\r\n"
            "Turn Avr Internal Mode on\r\n"
            "Turn EEMode Mode on, ***NEXT AVR RESTART***\r\n"
            "Turn Rounding Mode off\r\n"
            "Turn Raw Reading Mode off\r\n"
            "Setting minimal mode (Fahrenheit only)\r\n"
            "Normal exit, User pressed exit key\r\n");
}

TEST(BrenmarkKeys, UserStringsAndTheirSecondKey) {
  LoggerRun run("USERSTR2=T5 ST\n");
  Child& child = run.Start(Stdin::kPipe);
  child.Type(
      "U1u2z3\x1a"
      "5UxS");
  EXPECT_EQ(run.device.Read(8000, "ZD\r\nST\r\n"), "Z1\r\nT5 ST\r\nZD\r\nST\r\n");
  child.Type("\x1b");
  EXPECT_EQ(child.Wait(), 50);
}

TEST(BrenmarkKeys, HelpShowsTheStatusTextAgain) {
  LoggerRun run;
  Child& child = run.Start(Stdin::kPipe);
  child.Type("?");
  ASSERT_TRUE(child.WaitForOutput("ready\r\n\r\n===Brenmark.exe", 5000));
  child.Type("/");
  child.Type("\x1b");
  EXPECT_EQ(child.Wait(), 50);
  std::string after = run.ConsoleAfterReady();
  size_t first = after.find("===Brenmark.exe");
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(after.find("===Brenmark.exe", first + 1), std::string::npos);
  // The text ends with its own line end; printing it adds one more.
  const std::string tail =
      "INI defined string: \"ZD\"\r\n\r\nNormal exit, User pressed exit key\r\n";
  EXPECT_EQ(after.substr(after.size() - tail.size()), tail);
}

struct ExitCase {
  const char* name;
  std::string ini;
  std::string before;  // typed first: must not end the run
  std::string exit;
  std::string device;  // what the keys typed before send
};

class ExitKeyOnTerminal : public ::testing::TestWithParam<ExitCase> {};

TEST_P(ExitKeyOnTerminal, EndsTheRunWithFifty) {
  const ExitCase& c = GetParam();
  LoggerRun run(c.ini);
  Child& child = run.Start(Stdin::kPty);
  if (!c.before.empty()) {
    child.Type(c.before);
    run.device.Write("still\r\n");
    ASSERT_TRUE(child.WaitForOutput("still\r\n", 5000));
    // An Escape directly followed by a letter would read as Alt+letter.
    EXPECT_EQ(run.device.Read(100), c.device);
  }
  child.Type(c.exit);
  EXPECT_EQ(child.Wait(), 50);
  EXPECT_EQ(child.out().substr(child.out().size() - 36), "Normal exit, User pressed exit key\r\n");
  EXPECT_EQ(run.device.Read(300), "");
}

const ExitCase kExitCases[] = {
    {"Escape", "", "\x1b[A\x1b[1;5C\x1bOP", "\x1b", ""},
    {"EscapeByName", "EXITKEY=Escape\n", "", "\x1b", ""},
    {"CtrlX", "EXITKEY=ctlx\n", "\x1b", "\x18", ""},
    // Alt with a digit, a dot or Enter is neither Escape nor a command.
    {"AltKeys", "",
     "\x1b"
     "1\x1b.\x1b\r",
     "\x1b", ""},
    {"AltDigitWithCtrlX", "EXITKEY=ctlx\n",
     "\x1b"
     "1",
     "\x18", ""},
    {"Letter", "EXITKEY=113\n", "\x1b", "q", ""},
    {"CommandLetter", "EXITKEY=83\n", "s", "S", "ST\r\n"},
    {"ZeroIsEscape", "EXITKEY=q\n", "", "\x1b", ""},
};

INSTANTIATE_TEST_SUITE_P(Brenmark, ExitKeyOnTerminal, ::testing::ValuesIn(kExitCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

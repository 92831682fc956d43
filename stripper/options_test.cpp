#include "stripper/options.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "services/console/console.hpp"
#include "stripper/usage.hpp"

namespace {

// Collects console lines; no key ever arrives.
class CapturedConsole : public ConsoleDevice {
 public:
  CapturedConsole() { SetConsoleDevice(this); }
  ~CapturedConsole() override { SetConsoleDevice(nullptr); }
  void Write(std::string_view bytes) override { text.append(bytes); }
  void CollectKeys(KeyBuffer&) override {}
  bool KeysExhausted() override { return true; }
  std::string text;
};

std::string Flags(const StripSettings& s) {
  std::string f;
  auto add = [&f](int8_t flag, char letter) {
    if (flag != kOff) f += letter;
  };
  add(s.OverWrite, 'O');
  add(s.AppendMode, 'A');
  add(s.DeleteFile, 'D');
  add(s.Retain, 'R');
  add(s.SplitLine, 'S');
  add(s.AllLines, 'X');
  add(s.MarkMode, 'M');
  add(s.Verbose, 'V');
  add(s.DebugMode, 'B');
  return f;
}

struct ScanCase {
  std::vector<std::string> args;
  std::string in, out, semi, prg, flags;
};

TEST(ScanArguments, NamesAndOptionsInAnyOrder) {
  const ScanCase cases[] = {
      {{}, "", "", "", "", ""},
      {{"in.txt"}, "in.txt", "", "", "", ""},
      {{"in", "ab.txt"}, "ab.txt", "", "", "", ""},  // a two-character name is no name
      {{"inp", "out", "semi", "fourth"}, "inp", "out", "semi", "", ""},
      {{"/o", "inp", "-A", "out", "/v"}, "inp", "out", "", "", "AV"},  // /A wins over /O
      {{"/O", "/D", "/R", "/S", "/X", "/M", "/V"}, "", "", "", "", "ODRSXMV"},
      {{"-o", "-d", "-r", "-s", "-x", "-m", "-v"}, "", "", "", "", "ODRSXMV"},
      {{"  inp  ", " /o ", " out"}, "inp", "out", "", "", "O"},
      {{"In.Txt", "OUT.txt"}, "In.Txt", "OUT.txt", "", "", ""},
      // Two characters are always an option word; unknown ones vanish.
      {{"ab", "/Q", "-E", "/E", "inp"}, "inp", "", "", "", ""},
      // Other lengths beginning with / or - are names.
      {{"/in", "-out.txt"}, "/in", "-out.txt", "", "", ""},
      // The scan stops at the first blank argument.
      {{"inp", "  ", "out", "/O"}, "inp", "", "", "", ""},
      {{"inp", "", "out"}, "inp", "", "", "", ""},
      {{"", "inp"}, "", "", "", "", ""},
      // Program: case kept, blanks trimmed, a later one wins, empty allowed.
      {{"/e: My Prog ", "inp"}, "inp", "", "", "My Prog", ""},
      {{"/E:/bin/a", "/E:/bin/b"}, "", "", "", "/bin/b", ""},
      {{"/E:", "inp"}, "inp", "", "", "", ""},
      {{"-E:/bin/cat"}, "-E:/bin/cat", "", "", "", ""},
      // Diagnostic mode only from the exact first argument.
      {{"/DB", "inp"}, "inp", "", "", "", "B"},
      {{"/db", "inp"}, "inp", "", "", "", ""},
      {{" /DB", "inp"}, "inp", "", "", "", ""},
      {{"inp", "/DB", "out"}, "inp", "out", "", "", ""},
  };
  CapturedConsole console;
  for (const ScanCase& c : cases) {
    std::string joined;
    for (const auto& a : c.args) joined += "[" + a + "]";
    SCOPED_TRACE(joined);
    StripSettings s;
    ASSERT_EQ(ScanArguments(c.args, s), ScanOutcome::kGoOn);
    EXPECT_EQ(s.FileIn, c.in);
    EXPECT_EQ(s.FileOut, c.out);
    EXPECT_EQ(s.SemiOut, c.semi);
    EXPECT_EQ(s.PrgStr, c.prg);
    EXPECT_EQ(Flags(s), c.flags);
  }
}

TEST(ScanArguments, HelpWordsPrintUsageAndStopTheScan) {
  for (std::string help : {"?", "/?", "-?", "??", " /? "}) {
    SCOPED_TRACE(help);
    CapturedConsole console;
    StripSettings s;
    EXPECT_EQ(ScanArguments({"/O", help, "inp"}, s), ScanOutcome::kHelpShown);
    EXPECT_EQ(console.text, BuildHelpText() + "\r\n");
    EXPECT_EQ(s.FileIn, "");
    EXPECT_EQ(s.OverWrite, kOn);
  }
}

TEST(ScanArguments, DiagnosticModeEchoesEveryWordAndTheEnd) {
  CapturedConsole console;
  StripSettings s;
  ScanArguments({"/DB", "in.txt", "/e:x"}, s);
  EXPECT_EQ(console.text, "/DB\r\nIN.TXT\r\n/E:X\r\n\r\n");
}

TEST(SettingsListing, LabelsRightAlignedAndFlagsAsNumbers) {
  StripSettings s;
  s.FileIn = "a";
  s.FileOut = "b";
  s.PrgStr = "/bin/cat";
  s.AppendMode = kOn;
  s.Verbose = kOn;
  const std::vector<std::string> expected = {
      "    FileIn: a", "   FileOut: b",  "   SemiOut: ",  "    PrgStr: /bin/cat",
      " OverWrite: 0", "AppendMode: -1", "DeleteFile: 0", " SplitLine: 0",
      "  AllLines: 0", "    Retain: 0",  "  MarkMode: 0", "   Verbose: -1",
  };
  EXPECT_EQ(SettingsListing(s), expected);
}

TEST(HelpText, TwentyFourLinesWithoutFinalLineEnd) {
  std::string text = BuildHelpText();
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  lines.push_back(text.substr(start));
  ASSERT_EQ(lines.size(), 24u);
  EXPECT_EQ(lines[0], "Syntax: Quillcut.exe file1 file2 file3 [options]");
  EXPECT_EQ(lines[11], "    /M  = Mark end of file with \";;--PROCESSED--;;\"");
  EXPECT_EQ(lines[14], "          Program name is delimited by a collon");
  EXPECT_EQ(lines[15], "          Example /E:\"full path\\MyProgram.exe\"");
  EXPECT_EQ(lines[17], "");
  EXPECT_EQ(lines[19], "");
  EXPECT_EQ(lines[21],
            "Unless /R option is used all blank lines will also be removed from oputput file");
  EXPECT_EQ(lines[23], "------Free software under the MIT License, released December 2026.------");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 23);  // CR LF pairs only
}

}  // namespace

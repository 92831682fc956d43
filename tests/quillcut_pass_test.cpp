// The pass, the processed marker and the statistics: exact bytes of every
// file and of the console, on the real program.
#include <gtest/gtest.h>

#include "tests/quillcut_helpers.hpp"

namespace {

using quillcut_test::Lines;
using quillcut_test::Quillcut;

// Every kind of line once: trailing blanks and tabs, blank and all-blank
// lines, comments with and without indent, inner semicolons, no final end.
const std::string kMixed =
    "alpha  \n\n   \n; note \n  ;indented\nbeta ; tail\n\tgamma;x\ndelta\t \nlast";

std::string WithCrLf(std::string text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

struct PassCase {
  const char* name;
  std::string input;
  std::vector<std::string> options;
  std::string out, semi, console;
};

std::vector<PassCase> PassCases() {
  const std::string comments = "; note\r\n  ;indented\r\n";
  const std::string inner = "beta ; tail\r\n\tgamma;x\r\n";
  return {
      {"default",
       kMixed,
       {"/V"},
       "alpha\r\nbeta ; tail\r\n\tgamma;x\r\ndelta\t\r\nlast\r\n",
       comments,
       Lines({"", "    Total Lines: 9", "Semicolon Lines: 2", "    Blank Lines: 2",
              "   Output Lines: 5"})},
      {"retain blank lines",
       kMixed,
       {"/R", "/V"},
       "alpha\r\n\r\n\r\nbeta ; tail\r\n\tgamma;x\r\ndelta\t\r\nlast\r\n",
       comments,
       Lines({"", "    Total Lines: 9", "Semicolon Lines: 2", "    Blank Lines: 2",
              "   Output Lines: 7"})},
      {"split at semicolons",
       kMixed,
       {"/S", "/V"},
       "alpha\r\nbeta\r\n\tgamma\r\ndelta\t\r\nlast\r\n",
       comments + inner,
       Lines({"", "    Total Lines: 9", "Semicolon Lines: 4", "  Partial Lines: 2",
              "    Blank Lines: 2", "   Output Lines: 5"})},
      {"every semicolon line",
       kMixed,
       {"/X", "/V"},
       "alpha\r\ndelta\t\r\nlast\r\n",
       comments + inner,
       Lines({"", "    Total Lines: 9", "Semicolon Lines: 4", "    Blank Lines: 2",
              "   Output Lines: 3"})},
      {"every semicolon line wins over split",
       kMixed,
       {"/S", "/X", "/V"},
       "alpha\r\ndelta\t\r\nlast\r\n",
       comments + inner,
       Lines({"", "    Total Lines: 9", "Semicolon Lines: 4", "    Blank Lines: 2",
              "   Output Lines: 3"})},
      {"split and retain",
       kMixed,
       {"/S", "/R", "/V"},
       "alpha\r\n\r\n\r\nbeta\r\n\tgamma\r\ndelta\t\r\nlast\r\n",
       comments + inner,
       Lines({"", "    Total Lines: 9", "Semicolon Lines: 4", "  Partial Lines: 2",
              "    Blank Lines: 2", "   Output Lines: 7"})},
      {"CR LF input",
       WithCrLf(kMixed),
       {},
       "alpha\r\nbeta ; tail\r\n\tgamma;x\r\ndelta\t\r\nlast\r\n",
       comments,
       ""},
      {"empty input",
       "",
       {"/V"},
       "",
       "",
       Lines({"", "    Total Lines: 0", "Semicolon Lines: 0", "   Output Lines: 0"})},
      {"marker without /M is a comment",
       "a\n;;--PROCESSED--;;\nb\n",
       {},
       "a\r\nb\r\n",
       ";;--PROCESSED--;;\r\n",
       ""},
      {"8-bit bytes and NUL pass unchanged",
       std::string("\xE4\xF6\0\x1A \n\x80;\xFF\n", 10),
       {"/S"},
       std::string("\xE4\xF6\0\x1A\r\n\x80\r\n", 9),
       "\x80;\xFF\r\n",
       ""},
  };
}

TEST(QuillcutPass, GoldenFilesPerRuleAndOption) {
  for (const PassCase& c : PassCases()) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.Write("in.txt", c.input);
    std::vector<std::string> args = {"in.txt", "out.txt", "semi.txt"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    RunResult r = Quillcut(dir, args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, c.console);
    EXPECT_TRUE(FileExists(dir.Path("out.txt")));
    EXPECT_EQ(ReadWholeFile(dir.Path("out.txt")), c.out);
    EXPECT_EQ(ReadWholeFile(dir.Path("semi.txt")), c.semi);
    EXPECT_EQ(ReadWholeFile(dir.Path("in.txt")), c.input);
  }
}

TEST(QuillcutPass, OutputAndStrippedLinesInOneFileKeepTheirOrder) {
  TempDir dir;
  std::string input;
  for (int i = 0; i < 50000; ++i) input += i % 3 ? "line " + std::to_string(i) + "\n" : ";c\n";
  dir.Write("in.txt", input);
  RunResult r = Quillcut(dir, {"in.txt", "both.txt", "./both.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadWholeFile(dir.Path("both.txt")), WithCrLf(input));
}

struct MarkerCase {
  const char* name;
  std::string input;
  std::vector<std::string> options;
  std::string out, input_after;
};

TEST(QuillcutMarker, ResumesAfterTheLastMarkerAndAppendsOne) {
  const std::string m = ";;--PROCESSED--;;";
  const MarkerCase cases[] = {
      {"no marker yet", "a\nb\n", {}, "a\r\nb\r\n", "a\nb\n" + m + "\r\n"},
      {"several markers",
       "old\n" + m + "\nmid\n" + m + "\r\nnew\n",
       {},
       "new\r\n",
       "old\n" + m + "\nmid\n" + m + "\r\nnew\n" + m + "\r\n"},
      {"marker with a trailing blank is no marker",
       "a\n" + m + " \nb\n",
       {},
       "a\r\nb\r\n",
       "a\n" + m + " \nb\n" + m + "\r\n"},
      {"marker as last line", "a\n" + m + "\r\n", {}, "", "a\n" + m + "\r\n" + m + "\r\n"},
      {"last line without its end", "a\nb", {}, "a\r\nb\r\n", "a\nb\r\n" + m + "\r\n"},
      {"last line ends in a lone CR", "a\nb\r", {}, "a\r\nb\r\n", "a\nb\r\n" + m + "\r\n"},
      {"empty input", "", {}, "", m + "\r\n"},
      {"with deletion", "x\n" + m + "\ny\n", {"/D"}, "y\r\n", m + "\r\n"},
  };
  for (const MarkerCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.Write("in.txt", c.input);
    std::vector<std::string> args = {"in.txt", "out.txt", "/M"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    RunResult r = Quillcut(dir, args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadWholeFile(dir.Path("out.txt")), c.out);
    EXPECT_EQ(ReadWholeFile(dir.Path("in.txt")), c.input_after);
  }
}

TEST(QuillcutMarker, SecondRunTakesOnlyWhatWasAddedSince) {
  TempDir dir;
  dir.Write("log.txt", "first");
  ASSERT_EQ(Quillcut(dir, {"log.txt", "out.txt", "/M", "/A"}).status, 0);
  std::string after_first = ReadWholeFile(dir.Path("log.txt"));
  dir.Write("log.txt", after_first + "second\n;skip\nthird\n");
  RunResult r = Quillcut(dir, {"log.txt", "out.txt", "/M", "/A", "/V"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadWholeFile(dir.Path("out.txt")), "first\r\nsecond\r\nthird\r\n");
  EXPECT_EQ(r.out, Lines({"", "    Total Lines: 3", "Semicolon Lines: 1", "   Output Lines: 2"}));
}

}  // namespace

// The command line and the checks on the named files, on the real program.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/quillcut_helpers.hpp"

namespace {

using quillcut_test::Lines;
using quillcut_test::Quillcut;
using quillcut_test::Usage;

const std::string kInput = "keep\n;drop\n";

struct CheckCase {
  const char* name;
  std::vector<std::string> args;
  std::string stdout_text;
};

TEST(QuillcutCommandLine, UsageAndFileChecksInOrder) {
  const std::string exists_report =
      Lines({"", "***ERROR*** Output file exists.", " Overwrite option not specified.",
             " Append option not specified.", "    out.txt", ""}) +
      Usage();
  const CheckCase cases[] = {
      {"no arguments", {}, "\r\n" + Usage()},
      {"empty first argument", {"", "in.txt"}, "\r\n" + Usage()},
      {"help word first", {"/?"}, Usage()},
      {"help word later stops the scan", {"in.txt", "-?", "missing"}, Usage()},
      {"help word in lower case", {"??"}, Usage()},
      {"help after a blank argument is not seen", {" ", "?"}, "\r\n" + Usage()},
      {"options only", {"/O", "/V"}, "\r\n" + Usage()},
      {"missing input",
       {"missing.txt", "out.txt"},
       Lines({"", "***ERROR*** Input file not found", "", "missing.txt"})},
      {"directory as input",
       {"sub", "out.txt"},
       Lines({"", "***ERROR*** Input file not found", "", "sub"})},
      {"FIFO as input",
       {"fifo", "out.txt"},
       Lines({"", "***ERROR*** Input file not found", "", "fifo"})},
      {"input checked before output",
       {"missing.txt"},
       Lines({"", "***ERROR*** Input file not found", "", "missing.txt"})},
      {"no output", {"in.txt"}, Lines({"", "***ERROR*** No output file specified", ""})},
      {"output exists", {"in.txt", "out.txt", "semi.txt"}, exists_report},
      {"stripped-lines file exists",
       {"in.txt", "new.txt", "semi.txt"},
       Lines({"", "***ERROR*** Output file exists.", " Overwrite option not specified.",
              " Append option not specified.", "    semi.txt", ""}) +
           Usage()},
      {"input is the output",
       {"in.txt", "./in.txt", "/O"},
       Lines({"", "***ERROR*** Input and output are the same file", "    ./in.txt"})},
      {"input is the stripped-lines file",
       {"in.txt", "new.txt", "link.txt", "/A"},
       Lines({"", "***ERROR*** Input and output are the same file", "    link.txt"})},
      {"input pattern matches but cannot be opened",
       {"i?.txt", "new.txt"},
       Lines({"", "***ERROR*** Can not open Input file.", "    i?.txt", "    Error= 2"})},
      {"output folder missing",
       {"in.txt", "nodir/out2.txt"},
       Lines({"", "***ERROR*** Can not open Output file.", "    nodir/out2.txt", "    Error= 2"})},
      {"output is a directory",
       {"in.txt", "sub"},
       Lines({"", "***ERROR*** Can not open Output file.", "    sub", "    Error= 2"})},
      {"stripped-lines file cannot be opened",
       {"in.txt", "new.txt", "sub"},
       Lines({"", "***ERROR*** Can not open Output file.", "    sub", "    Error= 2"})},
      {"output that cannot be deleted (not permitted)",
       {"in.txt", "/proc/version", "/O"},
       Lines({"", "***ERROR*** Cannot delete existing output file", "    /proc/version",
              "    Error= 8"})},
      {"output that cannot be deleted (access denied)",
       {"in.txt", "/proc/sys/kernel/hostname", "/O"},
       Lines({"", "***ERROR*** Cannot delete existing output file", "    /proc/sys/kernel/hostname",
              "    Error= 3"})},
  };
  for (const CheckCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.Write("in.txt", kInput);
    dir.Write("out.txt", "old\r\n");
    dir.Write("semi.txt", "old semi\r\n");
    mkdir(dir.Path("sub").c_str(), 0755);
    mkfifo(dir.Path("fifo").c_str(), 0600);
    link(dir.Path("in.txt").c_str(), dir.Path("link.txt").c_str());
    RunResult r = Quillcut(dir, c.args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, c.stdout_text);
    EXPECT_EQ(r.err, "");
    // None of these runs touches an existing file.
    EXPECT_EQ(ReadWholeFile(dir.Path("in.txt")), kInput);
    EXPECT_EQ(ReadWholeFile(dir.Path("out.txt")), "old\r\n");
    EXPECT_EQ(ReadWholeFile(dir.Path("semi.txt")), "old semi\r\n");
  }
}

struct ExistingCase {
  const char* name;
  std::vector<std::string> options;
  std::string out, semi;
};

TEST(QuillcutCommandLine, ExistingOutputsOverwrittenOrAppended) {
  const ExistingCase cases[] = {
      {"overwrite", {"/O"}, "keep\r\n", ";drop\r\n"},
      {"append", {"-a"}, "old\r\nkeep\r\n", "old semi\r\n;drop\r\n"},
      {"append wins over overwrite", {"/o", "/A"}, "old\r\nkeep\r\n", "old semi\r\n;drop\r\n"},
  };
  for (const ExistingCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.Write("in.txt", kInput);
    dir.Write("out.txt", "old\r\n");
    dir.Write("semi.txt", "old semi\r\n");
    std::vector<std::string> args = {"in.txt", "out.txt", "semi.txt"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    RunResult r = Quillcut(dir, args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadWholeFile(dir.Path("out.txt")), c.out);
    EXPECT_EQ(ReadWholeFile(dir.Path("semi.txt")), c.semi);
  }
}

TEST(QuillcutCommandLine, NamesAreTakenInOrderAndExtrasIgnored) {
  TempDir dir;
  dir.Write("in.txt", kInput);
  // A blank argument ends the scan: "late.txt" names nothing.
  RunResult r = Quillcut(dir, {"/V", "in.txt", "a.txt", "b.txt", "c.txt", " ", "late.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadWholeFile(dir.Path("a.txt")), "keep\r\n");
  EXPECT_EQ(ReadWholeFile(dir.Path("b.txt")), ";drop\r\n");
  EXPECT_FALSE(FileExists(dir.Path("c.txt")));
  EXPECT_FALSE(FileExists(dir.Path("late.txt")));
  EXPECT_EQ(r.out, Lines({"", "    Total Lines: 2", "Semicolon Lines: 1", "   Output Lines: 1"}));
}

TEST(QuillcutCommandLine, DiagnosticModeNarratesEveryStep) {
  TempDir dir;
  dir.Write("in.txt", "a\n;;--PROCESSED--;;\nb\n\n");
  RunResult r = Quillcut(dir, {"/DB", "in.txt", "out.txt", "/m", "/d", "/v", "/E:/no/such"},
                         "keys that nobody reads");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, Lines({"/DB",
                          "IN.TXT",
                          "OUT.TXT",
                          "/M",
                          "/D",
                          "/V",
                          "/E:/NO/SUCH",
                          "",
                          "    FileIn: in.txt",
                          "   FileOut: out.txt",
                          "   SemiOut: ",
                          "    PrgStr: /no/such",
                          " OverWrite: 0",
                          "AppendMode: 0",
                          "DeleteFile: -1",
                          " SplitLine: 0",
                          "  AllLines: 0",
                          "    Retain: 0",
                          "  MarkMode: -1",
                          "   Verbose: -1",
                          "Mark Line: 2",
                          "files opened",
                          "files processed",
                          "files closed",
                          "File Marked",
                          "",
                          "    Total Lines: 2",
                          "Semicolon Lines: 0",
                          "    Blank Lines: 1",
                          "   Output Lines: 1",
                          "Executing Program: ",
                          "/no/such \"out.txt\"",
                          "***ERROR*** Execution failed:",
                          "/no/such \"out.txt\"",
                          "Program Complete"}));
  EXPECT_EQ(ReadWholeFile(dir.Path("out.txt")), "b\r\n");
  EXPECT_EQ(ReadWholeFile(dir.Path("in.txt")), ";;--PROCESSED--;;\r\n");
}

TEST(QuillcutCommandLine, DiagnosticModeOnlyFromExactFirstArgument) {
  for (std::string first : {"/db", " /DB"}) {
    SCOPED_TRACE(first);
    TempDir dir;
    dir.Write("in.txt", kInput);
    RunResult r = Quillcut(dir, {first, "in.txt", "out.txt"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadWholeFile(dir.Path("out.txt")), "keep\r\n");
  }
}

}  // namespace

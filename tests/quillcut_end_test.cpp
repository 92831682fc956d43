// The end of a run: deletion, the started program, write failures and hard
// inputs, on the real program.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "tests/quillcut_helpers.hpp"

namespace {

using quillcut_test::Lines;
using quillcut_test::Quillcut;

TEST(QuillcutEnd, DeletesTheInputOnlyAfterTheOutputIsComplete) {
  TempDir dir;
  dir.Write("in.txt", "a\n;b\n");
  RunResult r = Quillcut(dir, {"in.txt", "out.txt", "semi.txt", "/D"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_FALSE(FileExists(dir.Path("in.txt")));
  EXPECT_EQ(ReadWholeFile(dir.Path("out.txt")), "a\r\n");
  EXPECT_EQ(ReadWholeFile(dir.Path("semi.txt")), ";b\r\n");
}

TEST(QuillcutEnd, InputThatCannotBeDeletedStopsBeforeMarkerStatisticsAndProgram) {
  TempDir dir;
  RunResult r = Quillcut(dir, {"/proc/version", "out.txt", "/D", "/M", "/V", "/E:/bin/cat"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, Lines({"", "***ERROR*** Cannot delete input file", "    /proc/version",
                          "    Error= 8"}));
  EXPECT_TRUE(FileExists(dir.Path("out.txt")));
}

struct WriteFailureCase {
  const char* name;
  std::string input;
  std::vector<std::string> args;
  std::string report;
};

TEST(QuillcutEnd, WriteFailuresEndTheRunAndSpareTheInput) {
  const std::string big(3 << 20, 'x');
  const WriteFailureCase cases[] = {
      {"full device as output, failing at the close",
       "a\n",
       {"in.txt", "/dev/full", "/D", "/M", "/V"},
       "\nAborting due to runtime error 3 (file I/O error) in Quillcut::CLOSEFILES()\n\n"},
      {"full device as stripped-lines file",
       ";a\n",
       {"in.txt", "out.txt", "/dev/full", "/D", "/M"},
       "\nAborting due to runtime error 3 (file I/O error) in Quillcut::CLOSEFILES()\n\n"},
      {"read-only output appended to",
       "a\n",
       {"in.txt", "/proc/version", "/A", "/D", "/M"},
       "\nAborting due to runtime error 3 (file I/O error) in Quillcut::CLOSEFILES()\n\n"},
      {"full device as output, failing during the pass",
       big + "\n" + big + "\n",
       {"in.txt", "/dev/full", "/D", "/M"},
       "\nAborting due to runtime error 3 (file I/O error) in Quillcut::STRIPFILE()\n\n"},
  };
  for (const WriteFailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.Write("in.txt", c.input);
    RunResult r = Quillcut(dir, c.args);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, c.report);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(ReadWholeFile(dir.Path("in.txt")) == c.input);  // neither deleted nor marked
  }
}

TEST(QuillcutEnd, OutputToDevNullIsNoExistingFile) {
  TempDir dir;
  dir.Write("in.txt", "a\n");
  RunResult r = Quillcut(dir, {"in.txt", "/dev/null", "/V"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, Lines({"", "    Total Lines: 1", "Semicolon Lines: 0", "   Output Lines: 1"}));
}

TEST(QuillcutEnd, StartedProgramGetsTheOutputFile) {
  TempDir dir;
  dir.Write("in.txt", "hello \n;x\n");
  RunResult r = Quillcut(dir, {"in.txt", "out file.txt", "/V", "/E:/bin/cat"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            Lines({"", "    Total Lines: 2", "Semicolon Lines: 1", "   Output Lines: 1", "hello"}));
  EXPECT_EQ(r.err, "");
}

TEST(QuillcutEnd, InputIsGoneBeforeTheProgramStarts) {
  TempDir dir;
  dir.Write("in.txt", "data\n");
  std::string script = dir.Write("show.sh",
                                 "#!/bin/sh\n"
                                 "echo \"args=$# 0=$0 1=$1\"\n"
                                 "if [ -e in.txt ]; then echo present; else echo gone; fi\n"
                                 "cat \"$1\"\n");
  chmod(script.c_str(), 0755);
  RunResult r = Quillcut(dir, {"in.txt", "out.txt", "/D", "/e:  " + script + " "});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "args=1 0=" + script + " 1=out.txt\ngone\ndata\r\n");
}

TEST(QuillcutEnd, ProgramThatCannotStartIsReportedAndTheRunEndsNormally) {
  for (std::string program : {"/no/such/program", "cat", "/etc"}) {
    SCOPED_TRACE(program);
    TempDir dir;
    dir.Write("in.txt", "a\n");
    RunResult r = Quillcut(dir, {"in.txt", "out.txt", "/E:" + program});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Lines({"***ERROR*** Execution failed:", program + " \"out.txt\""}));
    EXPECT_EQ(ReadWholeFile(dir.Path("out.txt")), "a\r\n");
  }
}

TEST(QuillcutEnd, EmptyProgramNameStartsNothing) {
  TempDir dir;
  dir.Write("in.txt", "a\n");
  RunResult r = Quillcut(dir, {"in.txt", "out.txt", "/E:"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
}

TEST(QuillcutEnd, HundredMegabyteLineAndBinaryInput) {
  TempDir dir;
  {
    std::ofstream big(dir.Path("big.txt"), std::ios::binary);
    std::string block(1 << 20, 'z');
    for (int i = 0; i < 100; ++i) big << block;
    big << "   \n";
  }
  RunResult r = Quillcut(dir, {"big.txt", "out.txt", "/V"}, {});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, Lines({"", "    Total Lines: 1", "Semicolon Lines: 0", "   Output Lines: 1"}));
  struct stat info;
  ASSERT_EQ(stat(dir.Path("out.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_size, (100 << 20) + 2);
  unlink(dir.Path("big.txt").c_str());
  unlink(dir.Path("out.txt").c_str());

  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919) % 256);
  dir.Write("bin.dat", binary);
  r = Quillcut(dir, {"bin.dat", "out.bin", "semi.bin", "/S"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(FileExists(dir.Path("out.bin")));
}

TEST(QuillcutEnd, InterruptWhileTheOutputIsBlockedEndsWithTheReport) {
  struct Case {
    int signal_number;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {SIGINT, 9,
       "\nAborting due to runtime error 9 (\"interrupted\" signal) in "
       "Quillcut::STRIPFILE()\n\n"},
      {SIGQUIT, 15,
       "\nAborting due to runtime error 15 (\"quit request\" signal) in "
       "Quillcut::STRIPFILE()\n\n"},
      {SIGUSR1, 128 + SIGUSR1, ""},
  };
  std::string line(1000, 'x');
  std::string input;
  for (int i = 0; i < 4000; ++i) input += line + "\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.signal_number);
    TempDir dir;
    dir.Write("in.txt", input);
    std::string fifo = dir.Path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // A reader that never reads: the pipe fills and the program waits in write.
    int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    SpawnOptions options;
    options.cwd = dir.path();
    Child child({QUILLCUT_PATH, "in.txt", "fifo", "/D", "/M"}, options);
    // Bounded wait until the pipe is full, so the program sits in the pass.
    for (int waited = 0, queued = 0; waited < 5000 && queued < 65536; waited += 10) {
      usleep(10 * 1000);
      ioctl(reader, FIONREAD, &queued);
    }
    usleep(50 * 1000);
    child.Signal(c.signal_number);
    EXPECT_EQ(child.Wait(5000), c.status);
    EXPECT_EQ(child.err(), c.err);
    // Neither deleted nor marked.
    EXPECT_TRUE(ReadWholeFile(dir.Path("in.txt")) == input);
    close(reader);
  }
}

}  // namespace

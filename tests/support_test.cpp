// The harness itself: if these fail, every end-to-end result is suspect.
#include <gtest/gtest.h>
#include <signal.h>

#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"

TEST(Harness, RunsAProgramWithInputAndCollectsBothStreams) {
  RunResult r = RunProgram({"/bin/sh", "-c", "cat; echo oops >&2; exit 3"}, "a\r\nb");
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.out, "a\r\nb");
  EXPECT_EQ(r.err, "oops\n");
}

TEST(Harness, ControllingTerminalDeliversCtrlCAsInterrupt) {
  SpawnOptions options;
  options.stdin_kind = Stdin::kPty;
  Child child({"/bin/sh", "-c", "echo ready; exec sleep 20"}, options);
  ASSERT_TRUE(child.WaitForOutput("ready", 5000));
  child.Type("\x03");
  EXPECT_EQ(child.Wait(5000), 128 + SIGINT);
}

TEST(Harness, TempDirWritesExactBytesAndCleansUp) {
  std::string kept;
  {
    TempDir dir;
    kept = dir.path();
    std::string path = dir.Write("f.txt", std::string("x\0y\r\n", 5));
    EXPECT_EQ(ReadWholeFile(path), std::string("x\0y\r\n", 5));
  }
  EXPECT_FALSE(FileExists(kept));
}

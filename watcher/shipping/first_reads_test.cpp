#include "watcher/shipping/first_reads.hpp"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.hpp"

namespace {

TEST(FirstReadsTest, NotedTimesOutliveARestartAndGoOnceShipped) {
  TempDir dir;
  std::string spool = dir.Path("s.spool");
  {
    FirstReads reads(spool);
    reads.Note(7, 10, 1000);
    reads.Note(7, 20, 2000);
    reads.Flush();
    reads.Note(7, 30, 3000);  // never flushed: lost with the run
  }
  FirstReads again(spool);
  EXPECT_EQ(again.Take(7, 5, 99), 99);     // not noted
  EXPECT_EQ(again.Take(7, 20, 99), 2000);  // what came before it is forgotten
  EXPECT_EQ(again.Take(7, 10, 99), 99);
  EXPECT_EQ(again.Take(7, 30, 99), 99);
  EXPECT_FALSE(FileExists(spool));  // all shipped: the spool is gone
}

}  // namespace

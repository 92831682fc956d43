#include "services/files/line_stream.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.hpp"

namespace {

std::vector<std::string> ReadLines(const std::string& path, size_t block) {
  LineReader reader(block);
  EXPECT_EQ(reader.Open(path), 0);
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.Next(line)) lines.emplace_back(line);
  EXPECT_EQ(reader.error(), 0);
  EXPECT_EQ(reader.Close(), 0);
  return lines;
}

struct ReadCase {
  std::string bytes;
  std::vector<std::string> lines;
};

TEST(LineReader, LineEndsInEveryBlockSize) {
  const ReadCase cases[] = {
      {"", {}},
      {"\n", {""}},
      {"a", {"a"}},
      {"a\nb", {"a", "b"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\r\n\r\n", {"a", ""}},
      {"a\rb\n", {"a\rb"}},  // a CR inside a line stays
      {"a\r", {"a"}},        // a CR as the last byte ends the line
      {"a\r\r\n", {"a\r"}},
      {"\n\n\n", {"", "", ""}},
      {std::string("x\0y\n\x1A\xFF\n", 7), {std::string("x\0y", 3), "\x1A\xFF"}},
      {std::string(100, 'L') + "\n" + std::string(37, 'M'),
       {std::string(100, 'L'), std::string(37, 'M')}},
  };
  TempDir dir;
  for (size_t block : {16, 17, 64, 4096, 1 << 20}) {
    for (const ReadCase& c : cases) {
      SCOPED_TRACE("block " + std::to_string(block) + " bytes \"" + c.bytes + "\"");
      EXPECT_EQ(ReadLines(dir.Write("in.txt", c.bytes), block), c.lines);
    }
  }
}

TEST(LineReader, StopsAtTheSizeFoundAtOpenButFinishesThatLine) {
  TempDir dir;
  std::string path = dir.Write("grow.txt", "one\ntwo\nhal");
  LineReader reader(16);
  ASSERT_EQ(reader.Open(path), 0);
  int fd = open(path.c_str(), O_WRONLY | O_APPEND);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "f\nlater\n", 8), 8);
  close(fd);
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.Next(line)) lines.emplace_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "half"}));
}

TEST(LineReader, MissingFileOrDirectory) {
  TempDir dir;
  LineReader reader;
  EXPECT_EQ(reader.Open(dir.Path("missing")), 2);
  EXPECT_EQ(reader.Close(), 1);
  // A directory opens but cannot be read: the end comes at once.
  ASSERT_EQ(reader.Open(dir.path()), 0);
  std::string_view line;
  EXPECT_FALSE(reader.Next(line));
}

TEST(LineReader, BackslashesInNamesBecomeSlashes) {
  TempDir dir;
  dir.Write("a.txt", "x\n");
  std::string name = dir.path() + "\\a.txt";
  EXPECT_EQ(ReadLines(name, 64), std::vector<std::string>{"x"});
}

TEST(LineWriter, LinesOfEverySizeEndInCrLf) {
  TempDir dir;
  std::string path = dir.Path("out.txt");
  std::string big(100, 'B');
  {
    LineWriter writer(16);
    ASSERT_EQ(writer.OpenAppend(path), 0);
    EXPECT_EQ(writer.WriteLine(""), 0);
    EXPECT_EQ(writer.WriteLine("short"), 0);
    EXPECT_EQ(writer.WriteLine(big), 0);
    EXPECT_EQ(writer.WriteText("tail"), 0);
    EXPECT_EQ(writer.Close(true), 0);
    EXPECT_EQ(writer.Close(), 1);
    EXPECT_EQ(writer.WriteLine("late"), 1);
  }
  EXPECT_EQ(ReadWholeFile(path), "\r\nshort\r\n" + big + "\r\ntail");
  LineWriter again;
  ASSERT_EQ(again.OpenAppend(path), 0);  // appends, never empties
  again.WriteLine("more");
  EXPECT_EQ(again.Close(), 0);
  EXPECT_EQ(ReadWholeFile(path), "\r\nshort\r\n" + big + "\r\ntailmore\r\n");
}

TEST(LineWriter, CompletingLineEndFollowsTheLastByte) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""}, {"a\r\n", ""}, {"a\n", ""}, {"a", "\r\n"}, {"a\r", "\n"}, {";x ", "\r\n"},
  };
  TempDir dir;
  for (const auto& [content, expected] : cases) {
    SCOPED_TRACE(content);
    std::string path = dir.Write("f.txt", content);
    LineWriter writer;
    ASSERT_EQ(writer.OpenAppend(path), 0);
    EXPECT_EQ(std::string(writer.CompletingLineEnd()), expected);
  }
}

TEST(LineWriter, FailuresAreReportedNeverHidden) {
  TempDir dir;
  LineWriter writer(16);
  EXPECT_EQ(writer.OpenAppend(dir.Path("no/such/dir/out.txt")), 2);
  EXPECT_EQ(writer.OpenAppend(dir.path()), 2);  // a directory
  ASSERT_EQ(writer.OpenAppend("/dev/full"), 0);
  EXPECT_EQ(writer.WriteLine("fits"), 0);                // still buffered
  EXPECT_EQ(writer.WriteLine(std::string(40, 'x')), 3);  // the flush fails
  EXPECT_EQ(writer.WriteLine("x"), 3);                   // and the failure sticks
  EXPECT_EQ(writer.Close(), 3);
  // Buffered bytes that fail only at the close are reported there.
  ASSERT_EQ(writer.OpenAppend("/dev/full"), 0);
  EXPECT_EQ(writer.WriteLine("a"), 0);
  EXPECT_EQ(writer.Close(), 3);
}

TEST(LineWriter, FifoWithoutReaderFailsInsteadOfWaiting) {
  TempDir dir;
  std::string fifo = dir.Path("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  LineWriter writer;
  EXPECT_EQ(writer.OpenAppend(fifo), 2);
}

TEST(LineWriter, SameFileAsComparesTheFileNotTheName) {
  TempDir dir;
  LineWriter a, b, c;
  ASSERT_EQ(a.OpenAppend(dir.Path("x.txt")), 0);
  ASSERT_EQ(b.OpenAppend(dir.path() + "/./x.txt"), 0);
  ASSERT_EQ(c.OpenAppend(dir.Path("y.txt")), 0);
  EXPECT_TRUE(a.SameFileAs(b));
  EXPECT_FALSE(a.SameFileAs(c));
}

}  // namespace

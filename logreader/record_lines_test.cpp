#include "logreader/record_lines.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/temp_dir.hpp"

namespace {

// Small blocks put line ends, and CR LF pairs, across block edges.
TEST(RecordLines, EveryLineEndAcrossBlockEdges) {
  TempDir dir;
  const std::string text = "first\r\n2nd\rthird line\nfourth\r\r\n\nlast";
  const std::vector<std::string> expected = {"first", "2nd", "third line", "fourth", "last"};
  for (size_t block : {16u, 17u, 18u, 21u, 4096u}) {
    RecordLines lines(block);
    ASSERT_TRUE(lines.Open(dir.Write("log.txt", text)));
    std::vector<std::string> got;
    for (std::string_view line; lines.Next(line);) got.emplace_back(line);
    EXPECT_EQ(got, expected) << block;
    EXPECT_FALSE(lines.failed());
  }
  EXPECT_FALSE(RecordLines().Open(dir.path()));
}

// A line longer than the block is one line, cut to the block, whatever ends
// it and wherever the end falls.
TEST(RecordLines, LongLineIsOneLine) {
  TempDir dir;
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  };
  const std::string b16 = "1 " + std::string(14, 'x');
  const std::vector<Case> cases = {
      {b16 + "\n2\n", {b16, "2"}},
      {b16 + "y\n2\n", {b16, "2"}},
      {b16 + std::string(40, 'y') + "\r\n2\r\n", {b16, "2"}},
      {b16 + std::string(15, 'y') + "\r2", {b16, "2"}},
      {b16 + std::string(16, 'y') + "\r\n", {b16}},
      {b16 + std::string(50, 'y'), {b16}},
      {"0\n" + b16 + std::string(17, 'y') + "\n" + b16 + "\n3", {"0", b16, b16, "3"}},
  };
  for (const Case& c : cases) {
    RecordLines lines(16);
    ASSERT_TRUE(lines.Open(dir.Write("long.txt", c.text)));
    std::vector<std::string> got;
    for (std::string_view line; lines.Next(line);) got.emplace_back(line);
    EXPECT_EQ(got, c.lines) << c.text;
  }
}

}  // namespace

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
  RecordLines lines(16);
  ASSERT_TRUE(lines.Open(dir.Write("long.txt", std::string(40, 'x') + "\n1\n")));
  std::vector<size_t> sizes;
  for (std::string_view line; lines.Next(line);) sizes.push_back(line.size());
  EXPECT_EQ(sizes, (std::vector<size_t>{16, 16, 8, 1}));
  EXPECT_FALSE(RecordLines().Open(dir.path()));
}

}  // namespace

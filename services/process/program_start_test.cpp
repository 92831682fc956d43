#include "services/process/program_start.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "tests/support/temp_dir.hpp"

namespace {

TEST(DeleteErrorNumber, SystemCodesMapToErrorNumbers) {
  const std::pair<int, int> cases[] = {
      {0, 0}, {EPERM, 8}, {ENOENT, 2}, {EACCES, 3}, {EISDIR, 1}, {EROFS, 1}, {EBUSY, 1},
  };
  for (auto [code, number] : cases) EXPECT_EQ(DeleteErrorNumber(code), number) << code;
}

TEST(DeleteFileNamed, RealDeletions) {
  TempDir dir;
  std::string file = dir.Write("a.txt", "x");
  EXPECT_EQ(DeleteFileNamed(file), 0);
  EXPECT_FALSE(FileExists(file));
  EXPECT_EQ(DeleteFileNamed(file), 2);
  EXPECT_EQ(DeleteFileNamed(""), 0);
  EXPECT_EQ(DeleteFileNamed(dir.path()), 1);  // a directory is no file to delete
  std::string back = dir.Write("b.txt", "x");
  EXPECT_EQ(DeleteFileNamed(dir.path() + "\\b.txt"), 0);
  EXPECT_FALSE(FileExists(back));
}

TEST(SameFile, DeviceAndInodeDecide) {
  TempDir dir;
  std::string a = dir.Write("a.txt", "x");
  std::string b = dir.Write("b.txt", "x");
  ASSERT_EQ(link(a.c_str(), dir.Path("hard.txt").c_str()), 0);
  ASSERT_EQ(symlink(a.c_str(), dir.Path("soft.txt").c_str()), 0);
  EXPECT_TRUE(SameFile(a, a));
  EXPECT_TRUE(SameFile(a, dir.path() + "/./a.txt"));
  EXPECT_TRUE(SameFile(a, dir.Path("hard.txt")));
  EXPECT_TRUE(SameFile(dir.Path("soft.txt"), a));
  EXPECT_FALSE(SameFile(a, b));  // same contents, other file
  EXPECT_FALSE(SameFile(a, dir.Path("missing.txt")));
  EXPECT_FALSE(SameFile(a, ""));
}

TEST(StartProgram, MissingProgramReturnsMinusOne) {
  EXPECT_EQ(StartProgram("/no/such/program", "/no/such/program", "out.txt"), -1);
}

}  // namespace

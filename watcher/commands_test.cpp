#include "watcher/commands.hpp"

#include <gtest/gtest.h>

TEST(ExitStatusText, WindowsStatusCodesAreNeverNegative) {
  struct Case {
    int status;
    const char* text;
  } cases[] = {
      {0, "0"},
      {3, "3"},
      {137, "137"},
      {static_cast<int>(0xC0000005u), "0xC0000005"},
      {static_cast<int>(0xC000013Au), "0xC000013A"},
      {-1, "0xFFFFFFFF"},
  };
  for (const Case& c : cases) EXPECT_EQ(ExitStatusText(c.status), c.text) << c.status;
}

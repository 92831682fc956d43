#include <gtest/gtest.h>

#include <string>

#include "logger/functions.hpp"

namespace {

struct CleanCase {
  std::string line;
  bool setting;
  std::string key;
  std::string value;
};

class CleanIniTest : public ::testing::TestWithParam<CleanCase> {};

TEST_P(CleanIniTest, SplitsOrRejects) {
  const CleanCase& c = GetParam();
  std::string line = c.line, key = "stale", value = "stale";
  EXPECT_EQ(CLEANINISTR(line, key, value), c.setting);
  if (c.setting) {
    EXPECT_EQ(key, c.key);
    EXPECT_EQ(value, c.value);
  }
}

const std::string kLong200(200, 'v');

INSTANTIATE_TEST_SUITE_P(
    Lines, CleanIniTest,
    ::testing::Values(
        CleanCase{"  PortStr = COM1:9600,N,8,1 ; main port", true, "PORTSTR", "COM1:9600,N,8,1"},
        CleanCase{"", false, "", ""}, CleanCase{"   ", false, "", ""},
        CleanCase{"; comment", false, "", ""}, CleanCase{"   ;KEY=value", false, "", ""},
        CleanCase{"=value", false, "", ""}, CleanCase{"KEY=", false, "", ""},
        CleanCase{"KEY", false, "", ""}, CleanCase{"KEY = ;x", false, "", ""},
        CleanCase{"[Section]", false, "", ""}, CleanCase{"Key=a=b", true, "KEY", "a=b"},
        CleanCase{"userstr4=?S", true, "USERSTR4", "?S"},
        CleanCase{"portstr=com1:9600,n,8,1", true, "PORTSTR", "com1:9600,n,8,1"},
        // Tabs are not blanks: they stay in the value.
        CleanCase{"DELIMITER=\tx\t", true, "DELIMITER", "\tx\t"},
        // Quotes decide nothing but stay in the value.
        CleanCase{"USERSTR1=\"A B\"", true, "USERSTR1", "\"A B\""},
        CleanCase{"KEY=\"\"", false, "", ""}, CleanCase{"KEY=\t", false, "", ""},
        CleanCase{"\t=value", false, "", ""}, CleanCase{"KEY = \x7f", false, "", ""},
        CleanCase{"a = b ;c=d", true, "A", "b"}, CleanCase{"mIxEd9_x=1", true, "MIXED9_X", "1"},
        CleanCase{"=", false, "", ""}, CleanCase{"x=y", true, "X", "y"},
        // A ";" inside a value ends it.
        CleanCase{"USERSTR1=AB;CD", true, "USERSTR1", "AB"},
        // Dropped characters before the "=" no longer shift the split.
        CleanCase{"\"PORTSTR\"=COM1:", true, "\"PORTSTR\"", "COM1:"},
        CleanCase{"KEY\t=value", true, "KEY\t", "value"},
        CleanCase{"K'E'Y=value", true, "K'E'Y", "value"},
        CleanCase{"K\x01\x02\x03=abc", true, "K\x01\x02\x03", "abc"},
        CleanCase{"\xe9t\xe9=\xe9t\xe9", true, "\xe9T\xe9", "\xe9t\xe9"},
        // Lines of any length are cut the same way.
        CleanCase{"USERSTR5 = " + kLong200 + " ; note", true, "USERSTR5", kLong200},
        CleanCase{kLong200 + "=x", true, std::string(200, 'V'), "x"},
        CleanCase{"  " + std::string(150, ' ') + "K=" + kLong200, true, "K", kLong200},
        CleanCase{std::string(300, '\t') + "=x", false, "", ""}));

TEST(CleanIniLine, LineIsTrimmedAndCutAtItsComment) {
  std::string line = "  KEY = value ; note  ", key, value;
  ASSERT_TRUE(CLEANINISTR(line, key, value));
  EXPECT_EQ(line, "KEY = value");
}

}  // namespace

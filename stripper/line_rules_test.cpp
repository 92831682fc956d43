#include "stripper/line_rules.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
  std::string line;
  bool all_lines;
  bool split_line;
  LineKind kind;
  std::string output;
  std::string stripped;
};

TEST(SortLine, EveryRuleInOrder) {
  using K = LineKind;
  const Case cases[] = {
      {"", false, false, K::kBlank, "", ""},
      {"    ", false, false, K::kBlank, "", ""},
      {"    ", true, true, K::kBlank, "", ""},
      {"\t", false, false, K::kOrdinary, "\t", ""},  // a tab is not a blank
      {"abc", false, false, K::kOrdinary, "abc", ""},
      {"  abc  ", false, false, K::kOrdinary, "  abc", ""},
      {"abc\t ", false, false, K::kOrdinary, "abc\t", ""},
      {";comment  ", false, false, K::kSemicolon, "", ";comment"},
      {"   ; word", false, false, K::kSemicolon, "", "   ; word"},
      {"   ; word", true, true, K::kSemicolon, "", "   ; word"},
      {";;--PROCESSED--;;", false, false, K::kSemicolon, "", ";;--PROCESSED--;;"},
      {"\t;x", false, false, K::kOrdinary, "\t;x", ""},
      {"\t;x", true, false, K::kSemicolon, "", "\t;x"},
      {"\t;x", false, true, K::kCut, "\t", "\t;x"},
      {"abc   ;word", false, false, K::kOrdinary, "abc   ;word", ""},
      {"abc   ;word ", false, true, K::kCut, "abc", "abc   ;word"},
      {"abc   ;word", true, false, K::kSemicolon, "", "abc   ;word"},
      {"abc   ;word", true, true, K::kSemicolon, "", "abc   ;word"},
      {"a;b;c", false, true, K::kCut, "a", "a;b;c"},
      {"  a ;", false, true, K::kCut, "  a", "  a ;"},
      {std::string("x\0;y", 4), false, true, K::kCut, std::string("x\0", 2),
       std::string("x\0;y", 4)},
      {"\xE9t\xE9 ", false, false, K::kOrdinary, "\xE9t\xE9", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("line \"" + c.line + "\" all=" + std::to_string(c.all_lines) +
                 " split=" + std::to_string(c.split_line));
    LineVerdict v = SortLine(c.line, c.all_lines, c.split_line);
    EXPECT_EQ(v.kind, c.kind);
    EXPECT_EQ(std::string(v.output), c.output);
    EXPECT_EQ(std::string(v.stripped), c.stripped);
  }
}

}  // namespace

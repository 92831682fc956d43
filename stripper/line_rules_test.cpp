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

namespace {

// The eight-at-a-time blank counts against every indent and tail length
// around the word boundaries.
TEST(SortLine, BlanksOfEveryLengthAroundWordBoundaries) {
  for (size_t lead = 0; lead <= 19; ++lead) {
    for (size_t tail = 0; tail <= 19; ++tail) {
      for (std::string body : {"x", "a b", "word\tword", ";c", "ab;cd  ef"}) {
        std::string line = std::string(lead, ' ') + body + std::string(tail, ' ');
        SCOPED_TRACE("\"" + line + "\"");
        LineVerdict v = SortLine(line, false, true);
        std::string kept = std::string(lead, ' ') + body;
        if (body[0] == ';') {
          EXPECT_EQ(v.kind, LineKind::kSemicolon);
          EXPECT_EQ(std::string(v.stripped), kept);
        } else if (body == "ab;cd  ef") {
          EXPECT_EQ(v.kind, LineKind::kCut);
          EXPECT_EQ(std::string(v.output), std::string(lead, ' ') + "ab");
          EXPECT_EQ(std::string(v.stripped), kept);
        } else {
          EXPECT_EQ(v.kind, LineKind::kOrdinary);
          EXPECT_EQ(std::string(v.output), kept);
        }
      }
    }
    EXPECT_EQ(SortLine(std::string(lead, ' '), false, false).kind, LineKind::kBlank);
  }
  std::string before_cut = "x" + std::string(17, ' ') + ";";
  EXPECT_EQ(std::string(SortLine(before_cut, false, true).output), "x");
}

}  // namespace

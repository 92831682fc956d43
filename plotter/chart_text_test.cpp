#include "plotter/chart_text.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ChartText, BrokenUtf8AndWhatXmlForbids) {
  struct Case {
    std::string text;
    std::string svg;
  };
  const std::vector<Case> cases = {
      {"]]>", "]]\u200B>"},
      {"a]]]>b]>]] >", "a]]]\u200B>b]>]] >"},
      {"\xFF\xFE", "\uFFFD\uFFFD"},
      {"x\xC3", "x\uFFFD"},
      {"\xE2\x82", "\uFFFD"},  // one broken sequence, one replacement
      {"\xE2\x82"
       "A",
       "\uFFFD"
       "A"},
      {"\xC0\xAF", "\uFFFD\uFFFD"},            // overlong "/"
      {"\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},  // a surrogate
      {"\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xEF\xBF\xBE|\xEF\xBF\xBF", "|"},
      {"a\x01\x1B[31mb\x7F", "a[31mb "},
      {"tab\there\r\n", "tab here  "},
      {"°C \u00E9 \U0001F321 \uFFFD", "°C \u00E9 \U0001F321 \uFFFD"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChartText(c.text, ChartFormat::kSvg), c.svg) << c.text;
  }
  // Only SVG needs "]]>" broken up; on a terminal it would take columns.
  EXPECT_EQ(ChartText("]]>", ChartFormat::kTerminal), "]]>");
}

}  // namespace

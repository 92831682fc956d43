#include "stripper/statistics.hpp"

#include "services/console/console.hpp"
#include "services/text/text_forms.hpp"

std::vector<std::string> StatisticsLines(const StripSettings& s, const StripCounters& c) {
  const bool split = s.SplitLine != kOff;
  int64_t written = c.LineCount;
  if (split) written += c.PartialLines;
  if (s.Retain != kOff) written += c.BlankLines;

  std::vector<std::string> lines = {""};
  lines.push_back("    Total Lines: " + IntText(c.SemiLines + c.BlankLines + c.LineCount));
  lines.push_back("Semicolon Lines: " + IntText(c.SemiLines));
  if (split && c.PartialLines >= 1) lines.push_back("  Partial Lines: " + IntText(c.PartialLines));
  if (c.BlankLines >= 1) lines.push_back("    Blank Lines: " + IntText(c.BlankLines));
  lines.push_back("   Output Lines: " + IntText(written));
  return lines;
}

void PrintStatistics(const StripSettings& s, const StripCounters& c) {
  for (const std::string& line : StatisticsLines(s, c)) PrintLine(line);
}

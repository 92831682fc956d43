#include "reporter/report_options.hpp"

#include <gtest/gtest.h>

namespace {

// Command lines refused, each with the words its message must hold.
TEST(ReportOptionsTest, RefusedCommandLines) {
  struct Case {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{}, "no SOURCE"},
      {{"a.ini", "b.ini"}, "more than one SOURCE"},
      {{"--from", "2026-11-31", "a.ini"}, "--from"},
      {{"--to", "2026-11-01T25:00", "a.ini"}, "--to"},
      {{"--from", "2026-11-02", "--to", "2026-11-02", "a.ini"}, "not after"},
      {{"--high", "8x", "a.ini"}, "--high"},
      {{"--high", "nan", "a.ini"}, "--high"},
      {{"--high", "2", "--low", "8", "a.ini"}, "above"},
      {{"--stale", "0", "a.ini"}, "--stale"},
      {{"--stale", "10w", "a.ini"}, "--stale"},
      {{"--unit", "R", "a.ini"}, "--unit"},
      {{"--activation-energy", "-1", "a.ini"}, "--activation-energy"},
      {{"-o", "report.docx", "a.ini"}, ".json"},
      {{"-o", "folder.json/report", "a.ini"}, ".json"},
      {{"-o", "", "a.ini"}, "-o"},
      {{"--verify", "r.json", "a.ini"}, "no SOURCE"},
      {{"--colour", "a.ini"}, "unknown option --colour"},
      {{"--version=2"}, "takes no value"},
      {{"a.ini", "--high"}, "needs a value"},
  };
  for (const Case& c : cases) {
    ReportOptions options;
    std::string error;
    EXPECT_FALSE(ScanReportOptions(c.args, options, error)) << c.says;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
  }
}

TEST(ReportOptionsTest, AcceptedCommandLine) {
  ReportOptions o;
  std::string error;
  ASSERT_TRUE(ScanReportOptions({"--from", "2026-11-01", "--to=2026-12-01T06:30", "--high", "8",
                                 "--low", "-2.5", "--stale", "2h", "--unit", "F", "-o", "a.JSON",
                                 "-o", "b.pdf", "--title", "", "lab.ini"},
                                o, error))
      << error;
  EXPECT_EQ(o.source, "lab.ini");
  EXPECT_EQ(*o.to - *o.from, 30 * 86400 + 6 * 3600 + 30 * 60);
  EXPECT_EQ(*o.low, -2.5);
  EXPECT_EQ(o.low_text, "-2.5");
  EXPECT_EQ(o.stale_s, 7200);
  EXPECT_EQ(o.unit, Unit::kFahrenheit);
  ASSERT_EQ(o.outputs.size(), 2u);
  EXPECT_EQ(o.outputs[0].format, ReportFormat::kJson);
  EXPECT_EQ(o.outputs[1].format, ReportFormat::kPdf);
  // Without -o: the text form on standard output.
  ASSERT_TRUE(ScanReportOptions({"lab.ini"}, o, error));
  ASSERT_EQ(o.outputs.size(), 1u);
  EXPECT_EQ(o.outputs[0].name, "");
  EXPECT_EQ(o.stale_s, 600);
}

}  // namespace

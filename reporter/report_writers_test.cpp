#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "reporter/exit_codes.hpp"
#include "reporter/html_writer.hpp"
#include "reporter/json_writer.hpp"
#include "reporter/report_test_support.hpp"
#include "reporter/report_verify.hpp"
#include "reporter/table_writers.hpp"
#include "services/files/descriptor.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

const char kLog[] =
    "2026-11-01\t23:50:00\t5.0\n2026-11-01\t23:55:00\t9.0\n"
    "2026-11-02\t00:05:00\t9.50\n2026-11-02\t00:30:00\t1.25\n";

std::string Written(const ReportData& data, void (*write)(const ReportData&, ReportText&),
                    const TempDir& dir) {
  std::string name = dir.Path("out");
  int fd = OpenModeDescriptor(name, OpenMode::kOutput);
  ReportText text(fd);
  write(data, text);
  EXPECT_TRUE(text.Finish());
  CloseDescriptor(fd);
  return ReadWholeFile(name);
}

// The CSV is the days exactly: readings as written, figures with two decimals.
TEST(ReportWritersTest, CsvRows) {
  TempDir dir;
  auto data = PassOver({dir.Write("log.txt", kLog)}, {"--high", "8", "--low", "2"});
  EXPECT_EQ(Written(*data, WriteCsv, dir),
            std::string(kCsvHeader) +
                "2026-11-01,2,5.0,2026-11-01T23:50:00,9.0,2026-11-01T23:55:00,7.00,7.24,300,0,0\n"
                "2026-11-02,2,1.25,2026-11-02T00:30:00,9.50,2026-11-02T00:05:00,5.38,6.37,300,0,"
                "1500\n");
}

// The JSON holds every part by its name, numbers at full precision, and
// names the files with their digests.
TEST(ReportWritersTest, JsonParts) {
  TempDir dir;
  std::string log = dir.Write("log.txt", kLog);
  auto data = PassOver({log}, {"--high", "8", "--low", "2"});
  nlohmann::json json = nlohmann::json::parse(Written(*data, WriteJson, dir));
  EXPECT_EQ(json["period"]["readings"], 4);
  EXPECT_EQ(json["period"]["mean"].get<double>(), (5.0 + 9.0 + 9.5 + 1.25) / 4);
  EXPECT_EQ(json["period"]["maximum_time"], "2026-11-02T00:05:00");
  EXPECT_EQ(json["days"].size(), 2u);
  EXPECT_EQ(json["days"][1]["day"], "2026-11-02");
  EXPECT_EQ(json["days"][1]["missing_s"], 1500);
  ASSERT_EQ(json["excursions"].size(), 2u);
  EXPECT_EQ(json["excursions"][0]["end"], "2026-11-02T00:30:00");
  EXPECT_EQ(json["excursions"][1]["kind"], "low");
  EXPECT_EQ(json["excursions"][1]["ongoing"], true);
  EXPECT_EQ(json["gaps"][0]["duration_s"], 1500);
  EXPECT_EQ(json["files"][0]["name"], log);
  EXPECT_EQ(json["files"][0]["records"], 4);
  EXPECT_EQ(json["report"]["unit"], "C");
  EXPECT_EQ(json["report"]["stale_s"], 600);
}

// --verify: the same files, one changed byte, a missing file, a report
// that is none.
TEST(ReportWritersTest, VerifySeesEveryChange) {
  TempDir dir;
  std::string log = dir.Write("log.txt", kLog);
  auto data = PassOver({log}, {});
  std::string report = dir.Path("report.json");
  dir.Write("report.json", Written(*data, WriteJson, dir));
  std::string error;
  std::FILE* out = std::tmpfile();
  EXPECT_EQ(VerifyReport(report, out, error), kReportWritten);
  std::string changed = kLog;
  changed[changed.size() - 3] = '6';
  dir.Write("log.txt", changed);
  EXPECT_EQ(VerifyReport(report, out, error), kReportDiffers);
  std::remove(log.c_str());
  EXPECT_EQ(VerifyReport(report, out, error), kReportDiffers);
  std::rewind(out);
  char lines[4096] = {};
  size_t got = std::fread(lines, 1, sizeof lines - 1, out);
  std::fclose(out);
  EXPECT_EQ(std::string(lines, got),
            "same     " + log + "\nchanged  " + log + "\nmissing  " + log + "\n");
  dir.Write("broken.json", "{\"files\": 3}");
  EXPECT_EQ(VerifyReport(dir.Path("broken.json"), stdout, error), kReportBadInput);
  EXPECT_EQ(VerifyReport(dir.Path("none.json"), stdout, error), kReportBadInput);
}

// Text from the command line and the logs cannot make markup.
TEST(ReportWritersTest, HtmlEscapesAndNeedsNothingOutside) {
  TempDir dir;
  auto data = PassOver({dir.Write("log.txt", kLog)}, {"--title", "<script>x</script> & \"q\""});
  std::string html = Written(
      *data, [](const ReportData& d, ReportText& out) { WriteHtml(d, "", "no gnuplot", out); },
      dir);
  EXPECT_EQ(html.find("<script>"), std::string::npos);
  EXPECT_NE(html.find("&lt;script&gt;x&lt;/script&gt; &amp; &quot;q&quot;"), std::string::npos);
  EXPECT_NE(html.find("No chart: no gnuplot."), std::string::npos);
  EXPECT_NE(html.find("default-src 'none'"), std::string::npos);
  EXPECT_EQ(html.find("http:"), std::string::npos);
  EXPECT_EQ(html.find("https:"), std::string::npos);
  EXPECT_EQ(html.find("src="), std::string::npos);
}

}  // namespace

// brenplot on real files: logs written by brenmark itself, hand-made edge
// cases, the three chart outputs and the exit codes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <charconv>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

RunResult Plot(std::vector<std::string> args, const std::vector<std::string>& env = {}) {
  args.insert(args.begin(), BRENPLOT_PATH);
  return RunProgram(args, {}, {}, env);
}

// The readings of a log as --data must print them: each record's text after
// the stamp and its two equal delimiters, in its shortest form.
std::vector<std::string> ValuesIn(const std::string& log) {
  static const std::regex stamped(R"(\d{4}-\d\d-\d\d(\D*)\d\d:\d\d:\d\d\1(.*))");
  std::vector<std::string> values;
  size_t at = 0;
  for (size_t end; (end = log.find_first_of("\r\n", at)) != std::string::npos; at = end + 1) {
    std::string record = log.substr(at, end - at);
    if (record.empty() || record.starts_with("Exit Code: ") || record[0] == ';') continue;
    std::smatch m;
    double value = std::stod(std::regex_match(record, m, stamped) ? m[2].str() : record);
    char text[32];
    values.emplace_back(text, std::to_chars(text, text + sizeof text, value).ptr);
  }
  return values;
}

TEST(Brenplot, ReadsBackEveryLayoutBrenmarkWrites) {
  const std::vector<std::string> layouts = {
      "APNDTIME=YES\n",
      "APNDTIME=YES\nDELIMITER=COMMA\nEOL=1\n",
      "APNDTIME=YES\nDELIMITER=COLLON\nEOL=2\n",
      "APNDTIME=YES\nDELIMITER=3\n",
      "APNDTIME=YES\nDELIMITER=zero\nEOL=2\n",
      "APNDTIME=NO\nEOL=1\n",
  };
  for (const std::string& layout : layouts) {
    TempDir dir;
    Child device({THERMOSIM_PATH, "--quiet", "--interval", "30", "--eot-after", "4"});
    ASSERT_TRUE(device.WaitForOutput("\n", 10000));
    std::string port = device.out().substr(0, device.out().find('\n'));
    dir.Write("sim.ini", "PORTSTR=" + port + "\nFILESTR=log.txt\n" + layout);
    RunResult logger = RunProgram({BRENMARK_PATH, "sim.ini"}, {}, dir.path());
    ASSERT_EQ(logger.status, 51) << layout << logger.out;
    std::string log = ReadWholeFile(dir.Path("log.txt"));
    RunResult data = Plot({"--data", dir.Path("log.txt")});
    ASSERT_EQ(data.status, 0) << layout << data.err;
    bool stamped = layout.find("APNDTIME=YES") != std::string::npos;
    const std::regex line(stamped ? R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d,(.*))" : R"(\d+,(.*))");
    std::vector<std::string> values;
    size_t at = 0;
    for (size_t end; (end = data.out.find('\n', at)) != std::string::npos; at = end + 1) {
      std::string text = data.out.substr(at, end - at);
      std::smatch m;
      ASSERT_TRUE(std::regex_match(text, m, line)) << layout << text;
      values.push_back(m[1]);
    }
    EXPECT_EQ(values, ValuesIn(log)) << layout << log;
    EXPECT_EQ(values.size(), 4u) << layout << log;
    EXPECT_EQ(device.Wait(5000), 0);
  }
}

TEST(Brenplot, DataFromHandMadeLogs) {
  struct Case {
    const char* name;
    std::string log;
    int status;
    std::string data;
  };
  const std::vector<Case> cases = {
      {"no stamps", "72.5\r\n;Celsius mode on\r\n22.5\r\n", 0, "1,72.5\n2,22.5\n"},
      {"blank delimited, LF", "2013-10-08  14:05:09  72.50\n2013-10-08  14:05:11  7.25E1\n", 0,
       "2013-10-08T14:05:09,72.5\n2013-10-08T14:05:11,72.5\n"},
      {"CR lines, two runs",
       "2013-10-08\t23:59:59\t1\r2013-10-08\t14:00:00\t2\rExit Code: 50 at 14:00:01 on "
       "10-08-2013\r\n2013-10-09\t08:00:00\t3\rExit Code: 51 at 08:00:01 on 10-09-2013\r\n",
       0, "2013-10-08T23:59:59,1\n2013-10-08T14:00:00,2\n2013-10-09T08:00:00,3\n"},
      {"record without a number", "2013-10-08\t14:05:09\tError\r\n", 1, ""},
      {"comments only", ";Status\r\nExit Code: 50 at 14:00:01 on 10-08-2013\r\n", 1, ""},
      {"309 digits", std::string(309, '7') + "\r\n72.5\r\n", 0, "1,72.5\n"},
      {"a line longer than the reader's block",
       "1" + std::string((1 << 20) + 10, ' ') + "5\r\n2\r\n", 0, "1,1\n2,2\n"},
      {"a stamp no clock writes",
       "2026-12-09\t06:00:00\t72.5\r\n99999-01-01\t06:00:00\t72.5\r\n"
       "2026-02-30\t06:00:00\t72.5\r\n2026-12-09\t06:00:01\t72.6\r\n",
       0, "2026-12-09T06:00:00,72.5\n2026-12-09T06:00:01,72.6\n"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    RunResult result = Plot({"--data", dir.Write("log.txt", c.log)});
    EXPECT_EQ(result.status, c.status) << c.name << result.err;
    EXPECT_EQ(result.out, c.data) << c.name;
  }
}

// Both ends of a window belong to it; a date as --to takes in its last second;
// a window keeps no unstamped reading.
TEST(Brenplot, FromAndToKeepTheirEnds) {
  TempDir dir;
  std::string log = dir.Write("log.txt",
                              "2026-12-09\t05:59:59\t1\r\n2026-12-09\t06:00:00\t2\r\n"
                              "2026-12-09\t06:00:01\t3\r\n2026-12-09\t23:59:59\t4\r\n"
                              "5\r\n2026-12-10\t00:00:00\t6\r\n");
  struct Case {
    std::vector<std::string> window;
    std::string values;  // the readings kept, by their value
  };
  const std::vector<Case> cases = {
      {{"--from", "2026-12-09T06:00:00"}, "2346"},
      {{"--to", "2026-12-09T06:00:00"}, "12"},
      {{"--to", "2026-12-09 06:00:00"}, "12"},
      {{"--to", "2026-12-09"}, "1234"},
      {{"--from", "2026-12-09T06:00:00", "--to", "2026-12-09T06:00:00"}, "2"},
      {{"--from", "2026-12-10", "--to", "2026-12-10"}, "6"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.window;
    args.insert(args.end(), {"--data", log});
    RunResult result = Plot(args);
    ASSERT_EQ(result.status, 0) << c.window[1] << result.err;
    std::string values;
    for (size_t comma = 0; (comma = result.out.find(',', comma)) != std::string::npos; ++comma) {
      values += result.out[comma + 1];
    }
    EXPECT_EQ(values, c.values) << c.window[0] << " " << c.window[1];
  }
}

// Standard input, a pipe by name and a FIFO are logs like any file.
TEST(Brenplot, ReadsPipesAndFifos) {
  TempDir dir;
  const std::string log = "2026-12-09\t06:00:00\t72.5\r\n2026-12-09\t06:00:01\t72.6\r\n";
  const std::string data = "2026-12-09T06:00:00,72.5\n2026-12-09T06:00:01,72.6\n";
  for (const char* name : {"-", "/dev/stdin"}) {
    RunResult result = RunProgram({BRENPLOT_PATH, "--data", name}, log);
    EXPECT_EQ(result.status, 0) << name << result.err;
    EXPECT_EQ(result.out, data) << name;
  }
  RunResult svg = RunProgram({BRENPLOT_PATH, "-o", dir.Path("x.svg"), "-"}, log);
  EXPECT_EQ(svg.status, 0) << svg.err;
  EXPECT_TRUE(ReadWholeFile(dir.Path("x.svg")).starts_with("<?xml"));

  std::string fifo = dir.Path("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  dir.Write("log.txt", log);
  Child writer({"/bin/sh", "-c", "cat \"$0\" > \"$1\"", dir.Path("log.txt"), fifo});
  RunResult result = Plot({"--data", fifo});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, data);
  EXPECT_EQ(writer.Wait(5000), 0);
}

class BrenplotChart : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string log = ";Fahrenheit mode on\r\n";
    for (int i = 0; i < 5000; ++i) {
      log += "2013-10-08\t" + std::to_string(10 + i / 3600) + ":" +
             std::to_string(10 + i / 60 % 50) + ":" + std::to_string(10 + i % 50) + "\t" +
             std::to_string(70 + i % 13) + ".5\r\n";
    }
    log_ = dir_.Write("Therm0000.txt", log);
  }
  TempDir dir_;
  std::string log_;
};

TEST_F(BrenplotChart, SvgPngAndTerminal) {
  std::string svg = dir_.Path("chart.svg");
  RunResult result = Plot({"-o", svg, log_});
  ASSERT_EQ(result.status, 0) << result.err;
  std::string xmllint = FindOnPath("xmllint");
  ASSERT_FALSE(xmllint.empty()) << "xmllint missing: apt-get install libxml2-utils";
  RunResult xml = RunProgram({xmllint, "--noout", svg});
  EXPECT_EQ(xml.status, 0) << xml.err;
  std::string text = ReadWholeFile(svg);
  EXPECT_NE(text.find("<g id=\"gnuplot_plot_1\""), std::string::npos);
  EXPECT_NE(text.find("Fahrenheit mode on"), std::string::npos);

  std::string png = dir_.Path("chart.png");
  ASSERT_EQ(Plot({"-o", png, "--size", "640x300", log_}).status, 0);
  std::string bytes = ReadWholeFile(png);
  ASSERT_GE(bytes.size(), 24u);
  EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(bytes.substr(16, 8), std::string("\0\0\x02\x80\0\0\x01\x2c", 8));  // 640 x 300

  RunResult terminal = Plot({"--title", "Freezer", log_}, {"COLUMNS=100", "LINES=30"});
  ASSERT_EQ(terminal.status, 0) << terminal.err;
  for (const char* label : {"Freezer", "Temperature", "Time", "5000 readings"}) {
    EXPECT_NE(terminal.out.find(label), std::string::npos) << label << terminal.out;
  }
  // Sized to COLUMNS (gnuplot starts the page with a form feed).
  size_t first = terminal.out.starts_with('\f') ? 1 : 0;
  EXPECT_EQ(terminal.out.find('\n') - first, 100u);
}

TEST_F(BrenplotChart, ExitCodes) {
  EXPECT_EQ(Plot({dir_.Path("missing.txt")}).status, 2);
  EXPECT_EQ(Plot({"--data", dir_.path()}).status, 2);
  EXPECT_EQ(Plot({"--bogus", log_}).status, 2);
  EXPECT_EQ(Plot({"--from", "2014-01-01", log_}).status, 1);
  RunResult hidden = Plot({"-o", dir_.Path("x.svg"), log_}, {"PATH=/nonexistent"});
  EXPECT_EQ(hidden.status, 3);
  EXPECT_NE(hidden.err.find("apt-get install gnuplot-nox"), std::string::npos) << hidden.err;
  EXPECT_EQ(Plot({"--data", log_}, {"PATH=/nonexistent"}).status, 0);
}

}  // namespace

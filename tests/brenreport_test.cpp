// brenreport run for real: its HTML opened, printed and photographed by
// headless Chromium, --verify against a changed log, and every exit code.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "services/process/helper_programs.hpp"
#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

RunResult Report(std::vector<std::string> args, const std::string& cwd,
                 const std::vector<std::string>& env = {}) {
  args.insert(args.begin(), BRENREPORT_PATH);
  return RunProgram(args, {}, cwd, env, 120000);
}

// Two days of readings every 5 minutes, warm in the afternoons, an hour
// missing on the second night.
std::string TwoDays() {
  std::string log;
  char line[64];
  for (int minute = 0; minute < 2 * 24 * 60; minute += 5) {
    if (minute >= 24 * 60 + 120 && minute < 24 * 60 + 180) continue;
    int hour = minute / 60 % 24;
    double value = 4.0 + (hour >= 13 && hour < 15 ? 5.5 : 0.0) + (minute % 15) / 10.0;
    std::snprintf(line, sizeof line, "2026-11-%02d\t%02d:%02d:00\t%.1f\r\n", 1 + minute / 1440,
                  hour, minute % 60, value);
    log += line;
  }
  return log;
}

// Chromium as brenreport starts it: a fresh profile, nothing of its own on
// the network.
RunResult Chromium(const TempDir& dir, const std::string& profile, std::vector<std::string> args) {
  std::vector<std::string> argv = HeadlessBrowserCommand(FindOnPath("chromium"), dir.Path(profile));
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgram(argv, {}, {}, {}, 120000);
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(Brenreport, ChromiumOpensPrintsAndShowsTheChart) {
  if (FindOnPath("chromium").empty() || FindOnPath("gnuplot").empty()) {
    GTEST_SKIP() << "chromium or gnuplot missing (scripts/test.sh installs them)";
  }
  TempDir dir;
  dir.Write("Therm0000.txt", TwoDays());
  dir.Write("alarms.txt", "2026-11-01T13:05:00,raise,high,9.6,8\n"
                          "2026-11-01T15:00:00,clear,high,4.0,8\n"
                          "2026-11-09T15:00:00,clear,high,4.0,8\n");
  RunResult run = Report({"--high", "8", "--low", "2", "--alarm-log", "alarms.txt", "--title",
                          "Fridge <3>", "-o", "r.html", "-o", "r.pdf", "-o", "r.json", "-o",
                          "r.csv", "Therm0000.txt"},
                         dir.path());
  ASSERT_EQ(run.status, 0) << run.err;
  std::string html = ReadWholeFile(dir.Path("r.html"));
  std::string pdf = ReadWholeFile(dir.Path("r.pdf"));
  ASSERT_TRUE(pdf.starts_with("%PDF")) << run.err;
  EXPECT_GE(Count(pdf, "/Type /Page") - Count(pdf, "/Type /Pages"), 1);
  EXPECT_EQ(Count(ReadWholeFile(dir.Path("r.csv")), "\n"), 3);
  EXPECT_NE(html.find("2026-11-01T13:05:00"), std::string::npos);
  EXPECT_EQ(html.find("2026-11-09T15:00:00"), std::string::npos) << "an event outside the period";

  // The page's policy forbids every request outside the file, and the browser
  // says each refused one on its console: a console without messages means
  // none was tried, and no script failed.
  EXPECT_NE(html.find("<meta http-equiv=\"Content-Security-Policy\" content=\"default-src "
                      "'none';"),
            std::string::npos);
  RunResult dom = Chromium(dir, "dom", {"--enable-logging=stderr", "--v=0", "--dump-dom",
                                        "file://" + dir.Path("r.html")});
  ASSERT_EQ(dom.status, 0) << dom.err;
  EXPECT_EQ(dom.err.find("CONSOLE"), std::string::npos) << dom.err;
  EXPECT_NE(dom.out.find("<svg"), std::string::npos);
  EXPECT_NE(dom.out.find("Fridge &lt;3&gt;"), std::string::npos);

  // The chart is seen: the same page without it photographs much plainer.
  size_t figure = html.find("<figure>");
  size_t figure_end = html.find("</figure>");
  ASSERT_NE(figure, std::string::npos);
  dir.Write("plain.html", html.substr(0, figure) + html.substr(figure_end + 9));
  for (const char* page : {"r", "plain"}) {
    RunResult shot = Chromium(dir, std::string(page) + "-shot",
                              {"--window-size=1000,1100",
                               "--screenshot=" + dir.Path(std::string(page) + ".png"),
                               "file://" + dir.Path(std::string(page) + ".html")});
    ASSERT_EQ(shot.status, 0) << shot.err;
  }
  size_t with_chart = ReadWholeFile(dir.Path("r.png")).size();
  size_t without = ReadWholeFile(dir.Path("plain.png")).size();
  EXPECT_GT(with_chart, without + without / 4) << with_chart << " against " << without;

  // One changed byte in the log is seen.
  RunResult same = Report({"--verify", "r.json"}, dir.path());
  EXPECT_EQ(same.status, 0) << same.err;
  EXPECT_EQ(same.out, "same     Therm0000.txt\n");
  std::string log = ReadWholeFile(dir.Path("Therm0000.txt"));
  log[log.size() / 2] = log[log.size() / 2] == '4' ? '5' : '4';
  dir.Write("Therm0000.txt", log);
  RunResult changed = Report({"--verify", "r.json"}, dir.path());
  EXPECT_EQ(changed.status, 4);
  EXPECT_EQ(changed.out, "changed  Therm0000.txt\n");
}

TEST(Brenreport, ExitCodes) {
  TempDir dir;
  dir.Write("log.txt", TwoDays());
  dir.Write("plain.txt", "4.5\r\n4.6\r\n");
  dir.Write("unstamped.ini", "PORTSTR=COM1:9600,N,8,1\nFILESTR=log.txt\n");
  dir.Write("old.json", "not json");
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> env;
    int status;
    const char* says;  // on standard error, or standard output for 0
  } cases[] = {
      {{"--help"}, {}, 0, "Usage: brenreport"},
      {{"--high", "8", "log.txt"}, {}, 0, "Excursions"},
      {{"--bogus", "log.txt"}, {}, 2, "unknown option --bogus"},
      {{"plain.txt"}, {}, 2, "without date and time"},
      {{"unstamped.ini"}, {}, 2, "APNDTIME"},
      {{"missing.txt"}, {}, 2, "cannot read missing.txt"},
      {{"--alarm-log", "none.txt", "log.txt"}, {}, 2, "alarm log"},
      {{"--verify", "old.json"}, {}, 2, "no brenreport JSON report"},
      {{"-o", "no/such/folder/r.json", "log.txt"}, {}, 3, "no/such/folder/r.json"},
      {{"-o", "r.pdf", "-o", "r.csv", "log.txt"}, {"PATH=/nonexistent"}, 3, "install Chromium"},
  };
  for (const Case& c : cases) {
    RunResult run = Report(c.args, dir.path(), c.env);
    EXPECT_EQ(run.status, c.status) << c.args[0] << ": " << run.err;
    EXPECT_NE((c.status == 0 ? run.out : run.err).find(c.says), std::string::npos)
        << c.args[0] << ": " << run.out << run.err;
  }
  // Without a browser the PDF is not made, and nothing stands in its place;
  // the other outputs are.
  EXPECT_FALSE(FileExists(dir.Path("r.pdf")));
  EXPECT_TRUE(FileExists(dir.Path("r.csv")));
}

}  // namespace

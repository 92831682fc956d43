// brenplot's chart files: well-formed whatever text goes in, written to the
// file named and to no other, and an old chart kept when a run fails.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

const std::string kLog = "2026-12-09\t06:00:00\t72.5\r\n2026-12-09\t06:00:01\t72.6\r\n";

RunResult Plot(std::vector<std::string> args, const std::vector<std::string>& env = {},
               const std::string& cwd = {}) {
  args.insert(args.begin(), BRENPLOT_PATH);
  return RunProgram(args, {}, cwd, env);
}

// Every file in the folder with its bytes.
std::map<std::string, std::string> Files(const TempDir& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    files[entry.path().filename().string()] = ReadWholeFile(entry.path().string());
  }
  return files;
}

void ExpectWellFormed(const std::string& svg, const std::string& what) {
  static const std::string xmllint = FindOnPath("xmllint");
  ASSERT_FALSE(xmllint.empty()) << "xmllint missing: apt-get install libxml2-utils";
  RunResult xml = RunProgram({xmllint, "--noout", svg});
  EXPECT_EQ(xml.status, 0) << what << xml.err;
}

TEST(BrenplotFiles, AnyTextMakesWellFormedSvg) {
  struct Case {
    const char* name;
    std::string title;  // "" for the default (the log's name)
    std::string log_name;
    std::string log;
    std::string shown;  // text the chart must show as given
  };
  const std::vector<Case> cases = {
      {"CDATA end in the title", "]]>", "v.log", kLog, "]]"},
      {"bytes that are not UTF-8", "t\xFF\xC3(\xED\xA0\x80", "v.log", kLog, "t\uFFFD\uFFFD("},
      {"U+FFFE and U+FFFF", "a\uFFFEb\uFFFF", "v.log", kLog, "ab"},
      {"control characters",
       "a\x01\x1B\x0C"
       "b",
       "v.log", kLog, "ab"},
      {"a quote first", "'x", "v.log", kLog, "'x"},
      {"two quotes", "a''b", "v.log", kLog, "a''b"},
      {"a mark label", "m", "v.log", ";Offset:\t1.25]]>\r\n" + kLog, "Offset: 1.25]]"},
      {"a log name", "", "'q]]>\xFE.log", kLog, "'q]]"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    std::string log = dir.Write(c.log_name, c.log);
    std::string svg = dir.Path("x.svg");
    std::vector<std::string> args = {"-o", svg, log};
    if (!c.title.empty()) args = {"-o", svg, "--title", c.title, log};
    RunResult result = Plot(args);
    ASSERT_EQ(result.status, 0) << c.name << result.err;
    EXPECT_EQ(result.err.find("install"), std::string::npos) << c.name << result.err;
    ExpectWellFormed(svg, c.name);
    EXPECT_NE(ReadWholeFile(svg).find(c.shown), std::string::npos) << c.name;
  }
}

// The name reaches no parser: whatever its bytes, that file is written and
// no other, nor anything left behind.
TEST(BrenplotFiles, ChartGoesToTheFileNamed) {
  for (const std::string name :
       {"a''b.svg", "n\nl.svg", "tab\t.svg", "'q.svg", "x\\y.svg", "`touch z`.svg", "c.PNG"}) {
    TempDir dir;
    dir.Write("v.log", kLog);
    RunResult result = Plot({"-o", name, "v.log"}, {}, dir.path());
    ASSERT_EQ(result.status, 0) << name << result.err;
    std::map<std::string, std::string> files = Files(dir);
    ASSERT_EQ(files.size(), 2u) << name;
    ASSERT_EQ(files.count(name), 1u) << name;
    EXPECT_TRUE(files[name].starts_with(name.ends_with(".svg") ? "<?xml" : "\x89PNG")) << name;
  }
}

TEST(BrenplotFiles, FailedRunKeepsTheOldChart) {
  TempDir bin;
  bin.Write("gnuplot",
            "#!/bin/sh\ncat >/dev/null\necho '<svg>half'\necho 'line 9: boom' >&2\nexit 1\n");
  chmod(bin.Path("gnuplot").c_str(), 0755);
  TempDir dir;
  dir.Write("k.svg", "keep\n");
  dir.Write("h.log", "1e308\r\n-1e308\r\n");
  dir.Write("v.log", kLog);
  const std::map<std::string, std::string> before = Files(dir);

  // One run with gnuplot failing on its own, one with a stand-in that fails
  // after half a chart.
  RunResult real = Plot({"-o", "k.svg", "h.log"}, {}, dir.path());
  EXPECT_EQ(real.status, 3) << real.err;
  EXPECT_EQ(Files(dir), before);
  RunResult fake =
      Plot({"-o", "k.svg", "v.log"}, {"PATH=" + bin.path() + ":/usr/bin:/bin"}, dir.path());
  EXPECT_EQ(fake.status, 3);
  EXPECT_EQ(Files(dir), before);
  // gnuplot's own message, and no advice to install what is there.
  EXPECT_NE(fake.err.find("line 9: boom"), std::string::npos) << fake.err;
  EXPECT_EQ(fake.err.find("install"), std::string::npos) << fake.err;

  // A file that may not be written is not replaced either.
  chmod(dir.Path("k.svg").c_str(), 0444);
  if (access(dir.Path("k.svg").c_str(), W_OK) != 0) {
    EXPECT_EQ(Plot({"-o", "k.svg", "v.log"}, {}, dir.path()).status, 2);
    EXPECT_EQ(ReadWholeFile(dir.Path("k.svg")), "keep\n");
  }
  chmod(dir.Path("k.svg").c_str(), 0644);
  ASSERT_EQ(Plot({"-o", "k.svg", "v.log"}, {}, dir.path()).status, 0);
  EXPECT_TRUE(ReadWholeFile(dir.Path("k.svg")).starts_with("<?xml"));
  EXPECT_EQ(Files(dir).size(), before.size());
}

// Ctrl+C while gnuplot draws leaves the folder as it was.
TEST(BrenplotFiles, InterruptedRunLeavesNothingBehind) {
  TempDir bin;
  bin.Write("gnuplot", "#!/bin/sh\ncat >/dev/null\necho started >&2\nexec sleep 20\n");
  chmod(bin.Path("gnuplot").c_str(), 0755);
  TempDir dir;
  dir.Write("k.svg", "keep\n");
  dir.Write("v.log", kLog);
  const std::map<std::string, std::string> before = Files(dir);
  for (int signal_number : {SIGINT, SIGTERM}) {
    SpawnOptions options;
    options.cwd = dir.path();
    options.env = {"PATH=" + bin.path() + ":/usr/bin:/bin"};
    Child plot({BRENPLOT_PATH, "-o", "k.svg", "v.log"}, options);
    for (int i = 0; i < 500 && plot.err().find("started") == std::string::npos; ++i) {
      plot.WaitForOutput("never", 10);
    }
    ASSERT_NE(plot.err().find("started"), std::string::npos);
    kill(-plot.pid(), signal_number);  // the whole group, as Ctrl+C does
    EXPECT_EQ(plot.Wait(5000), 128 + signal_number);
    EXPECT_EQ(Files(dir), before) << signal_number;
  }
}

}  // namespace

// brenwatch shipping a numbered log through what ordinary life does to log
// files, against real databases: each case ends with every reading stored
// exactly once at its time, and no point the log does not hold.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/time_series_servers.hpp"

#ifdef BRENWATCH_PATH

namespace {

using time_series::Point;
namespace fs = std::filesystem;

bool WaitUntil(const std::function<bool()>& done, int seconds) {
  for (int i = 0; i < seconds * 10; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return done();
}

// A numbered run (T0000.txt ...) in a folder, stamped, brenmark's tab and CR LF.
class LogRun {
  TempDir dir_;  // first: the state's name is made from it

 public:
  explicit LogRun(time_series::Server& server) : server_(server) {
    dir_.Write("lab.ini", "FILESTR=" + dir_.Path("T0000.txt") + "\nSWITCHHRS=1\nAPNDTIME=YES\n");
  }
  ~LogRun() {
    if (follower_) follower_->Signal(SIGKILL), follower_->Wait();
  }
  std::string Path(const std::string& name) const { return dir_.Path(name); }
  std::string File(int number) const {
    char name[16];
    std::snprintf(name, sizeof name, "T%04d.txt", number);
    return Path(name);
  }
  // Readings with values from `first` on, one a second unless `second` says.
  void Write(int number, int first, int count, int64_t second = -1, bool pause = true) {
    {
      std::ofstream out(File(number), std::ios::binary | std::ios::app);
      for (int i = first; i < first + count; ++i) Line(out, second >= 0 ? second : base_ + i, i);
    }
    // Files written within one clock tick would share a change time.
    if (pause) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  void Line(std::ostream& out, int64_t second, int value) {
    out << LineText(second, value);
    written_.emplace_back(second, value + 0.5);
  }
  static std::string LineText(int64_t second, int value) {
    std::time_t t = static_cast<std::time_t>(second);
    std::tm parts;
    gmtime_r(&t, &parts);
    char line[64];
    std::strftime(line, sizeof line, "%Y-%m-%d\t%H:%M:%S\t", &parts);
    return line + std::to_string(value) + ".5\r\n";
  }
  void Append(int number, const std::string& text) {
    std::ofstream(File(number), std::ios::binary | std::ios::app) << text;
  }
  int64_t base() const { return base_; }
  std::vector<std::string> Command(std::vector<std::string> more) const {
    std::vector<std::string> argv = {BRENWATCH_PATH, "--plain",   "--influx",
                                     server_.WriteUrl(), "--tag", "host=lab3",
                                     "--state",          state_};
    argv.insert(argv.end(), more.begin(), more.end());
    argv.push_back(Path("lab.ini"));
    return argv;
  }
  int Once() {
    RunResult result = RunProgram(Command({"--once"}), {}, {}, {"TZ=UTC"}, 120000);
    last_err_ = result.err;
    return result.status;
  }
  void Follow(std::vector<std::string> more = {}) {
    SpawnOptions options;
    options.env = {"TZ=UTC"};
    follower_ = std::make_unique<Child>(Command(more), options);
    ASSERT_TRUE(WaitUntil([&] { return FileExists(state_); }, 20));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // its watch is set
  }
  void Kill() {
    follower_->Signal(SIGKILL);
    follower_->Wait();
    follower_.reset();
  }
  bool Stored() {
    return WaitUntil([&] { return server_.Points().size() >= written_.size(); }, 30);
  }
  // Each reading at its second, the readings of one second one millisecond apart.
  std::vector<Point> Expected() const {
    std::vector<Point> points;
    int64_t last = -1;
    for (const auto& [second, value] : written_) {
      last = std::max(second * 1000, last + 1);
      points.emplace_back(last, value);
    }
    std::sort(points.begin(), points.end());
    return points;
  }
  std::string state_ = dir_.Path("lab.state");
  std::string last_err_;
  std::vector<std::pair<int64_t, double>> written_;
  std::unique_ptr<Child> follower_;

 private:
  time_series::Server& server_;
  int64_t base_ = std::time(nullptr) - 7200;  // within VictoriaMetrics' retention
};

struct Case {
  const char* name;
  std::function<void(LogRun&)> steps;
};

const Case kCases[] = {
    {"SwitchesWhileShipping",
     [](LogRun& run) {
       run.Follow({"--from-start"});
       for (int n = 0; n < 4; ++n) run.Write(n, n * 10, 10);
       EXPECT_TRUE(run.Stored());
     }},
    {"NewRunOnALowerNumberSavedFileGone",
     [](LogRun& run) {
       run.Write(7, 0, 10);
       EXPECT_EQ(run.Once(), 0);
       fs::rename(run.File(7), run.Path("moved.txt"));
       run.Write(0, 10, 10);
       EXPECT_EQ(run.Once(), 0) << run.last_err_;
     }},
    {"NewRunOnALowerNumberSavedFileThere",
     [](LogRun& run) {
       run.Write(7, 0, 10);
       EXPECT_EQ(run.Once(), 0);
       run.Write(0, 10, 10);
       EXPECT_EQ(run.Once(), 0) << run.last_err_;
     }},
    {"ReplacedWithTheSameInode",
     [](LogRun& run) {
       run.Write(0, 0, 10);
       EXPECT_EQ(run.Once(), 0);
       std::ofstream(run.File(0), std::ios::binary | std::ios::trunc).close();  // same inode
       run.Write(0, 10, 30);
       EXPECT_EQ(run.Once(), 0) << run.last_err_;
     }},
    {"LinesAtTheInstantOfASwitch",
     [](LogRun& run) {
       // The last line of a file, the next file at once: as brenmark switches.
       run.Follow();
       run.Write(0, 0, 1);
       for (int n = 0; n < 30; ++n) {
         run.Write(n, 2 * n + 1, 1, -1, false);
         run.Write(n + 1, 2 * n + 2, 1);
       }
       EXPECT_TRUE(run.Stored());
     }},
    {"HalfLineAtStartThenKilled",
     [](LogRun& run) {
       run.Write(0, 0, 1);
       run.written_.clear();  // before the start: not shipped
       std::string half = LogRun::LineText(run.base() + 1, 1);
       run.Append(0, half.substr(0, 12));
       run.Follow();
       run.Kill();
       run.Append(0, half.substr(12));
       run.written_.emplace_back(run.base() + 1, 1.5);
       run.Write(0, 2, 5);
       EXPECT_EQ(run.Once(), 0) << run.last_err_;
     }},
    {"LogCreatedAfterStartThenKilled",
     [](LogRun& run) {
       run.Follow();
       run.Kill();
       run.Write(0, 0, 10);
       EXPECT_EQ(run.Once(), 0) << run.last_err_;
     }},
    {"TwoThousandReadingsInOneSecond",
     [](LogRun& run) {
       run.Write(0, 0, 2000, run.base());
       run.Write(0, 2000, 3, run.base() + 1);
       EXPECT_EQ(run.Once(), 0) << run.last_err_;
     }},
    {"TwoInstancesOnOneState",
     [](LogRun& run) {
       run.Write(0, 0, 10);
       run.Follow({"--from-start"});
       RunResult second = RunProgram(run.Command({}), {}, {}, {"TZ=UTC"}, 10000);
       EXPECT_EQ(second.status, 2);
       EXPECT_NE(second.err.find("process " + std::to_string(run.follower_->pid())),
                 std::string::npos)
           << second.err;
       EXPECT_TRUE(run.Stored());
     }},
};

class ShipCasesTest : public ::testing::TestWithParam<std::tuple<std::string, size_t>> {};

TEST_P(ShipCasesTest, EveryReadingExactlyOnce) {
  const auto& [kind, index] = GetParam();
  const char* program = kind == "influx" ? "/usr/bin/influxd" : "/usr/bin/victoria-metrics";
  if (!time_series::Server::Installed(program) || !FileExists("/usr/bin/curl")) {
    GTEST_SKIP() << program << " or curl is not installed (scripts/test.sh installs them)";
  }
  std::unique_ptr<time_series::Server> server;
  if (kind == "influx") {
    auto influx = std::make_unique<time_series::Influx>();
    if (influx->Create()) server = std::move(influx);
  } else {
    auto victoria = std::make_unique<time_series::Victoria>();
    if (victoria->Start()) server = std::move(victoria);
  }
  ASSERT_TRUE(server) << kind << " did not start";
  LogRun run(*server);
  kCases[index].steps(run);
  EXPECT_EQ(server->Points(), run.Expected());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShipCasesTest,
    ::testing::Combine(::testing::Values("influx", "victoria"),
                       ::testing::Range<size_t>(0, sizeof kCases / sizeof kCases[0])),
    [](const auto& info) {
      return std::get<0>(info.param) + "_" + kCases[std::get<1>(info.param)].name;
    });

// Stamps that go back keep a point each: 10:00:05, 10:00:06, 10:00:05.
TEST(ShipCasesExtra, StampsThatGoBack) {
  if (!time_series::Server::Installed("/usr/bin/influxd")) GTEST_SKIP() << "no influxd";
  time_series::Influx influx;
  ASSERT_TRUE(influx.Create());
  LogRun run(influx);
  int64_t s = run.base();
  run.Write(0, 0, 1, s + 5);
  run.Write(0, 1, 1, s + 6);
  run.Write(0, 2, 1, s + 5);
  EXPECT_EQ(run.Once(), 0) << run.last_err_;
  EXPECT_EQ(influx.Points(),
            (std::vector<Point>{{(s + 5) * 1000, 0.5}, {(s + 5) * 1000 + 1, 2.5}, {(s + 6) * 1000, 1.5}}));
}

// A log without stamps while the server is away, brenwatch killed meanwhile:
// each reading keeps the time it was first read, not the time it was shipped.
TEST(ShipCasesExtra, UnstampedReadingsKeepTheTimeTheyWereRead) {
  if (!time_series::Server::Installed("/usr/bin/influxd")) GTEST_SKIP() << "no influxd";
  time_series::Influx influx;  // away for now
  TempDir dir;
  std::string log = dir.Write("lab.txt", "");
  std::vector<std::string> argv = {BRENWATCH_PATH, "--plain", "--influx", influx.WriteUrl(),
                                   "--state", dir.Path("lab.state"), log};
  {
    Child follower(argv);
    ASSERT_TRUE(WaitUntil([&] { return FileExists(dir.Path("lab.state")); }, 20));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (int i = 0; i < 4; ++i) {
      std::ofstream(log, std::ios::binary | std::ios::app) << i << ".5\r\n";
      std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    follower.Signal(SIGKILL);
    follower.Wait();
  }
  std::this_thread::sleep_for(std::chrono::seconds(2));
  ASSERT_TRUE(influx.Create());
  argv.insert(argv.begin() + 1, "--once");
  RunResult rest = RunProgram(argv, {}, {}, {}, 60000);
  EXPECT_EQ(rest.status, 0) << rest.err;
  std::vector<Point> points = influx.Points();
  ASSERT_EQ(points.size(), 4u);
  for (size_t i = 1; i < points.size(); ++i) {
    EXPECT_NEAR(points[i].first - points[i - 1].first, 1000, 400) << i;
    EXPECT_EQ(points[i].second, i + 0.5);
  }
}

// A server that answers 200 and then one byte every half second.
TEST(ShipCasesExtra, ADrippingServerEndsOnceWithThree) {
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  listen(listener, 8);
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
  std::atomic<bool> done{false};
  std::thread drip([&] {
    std::vector<int> clients;
    while (!done) {
      pollfd ready = {listener, POLLIN, 0};
      if (poll(&ready, 1, 500) > 0) {
        int client = accept(listener, nullptr, nullptr);
        const char head[] = "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n";
        send(client, head, sizeof head - 1, MSG_NOSIGNAL);
        clients.push_back(client);
      }
      for (int client : clients) send(client, "x", 1, MSG_NOSIGNAL);
    }
    for (int client : clients) close(client);
  });
  TempDir dir;
  std::string log = dir.Write("lab.txt", LogRun::LineText(std::time(nullptr), 1));
  auto started = std::chrono::steady_clock::now();
  RunResult result = RunProgram(
      {BRENWATCH_PATH, "--once", "--influx",
       "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/write?db=lab", "--state",
       dir.Path("lab.state"), log},
      {}, {}, {"TZ=UTC"}, 150000);
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  done = true;
  drip.join();
  close(listener);
  EXPECT_EQ(result.status, 3) << result.err;
  EXPECT_LT(seconds, 90);
}

// A full disk for the state: --once says so and ends with 3.
TEST(ShipCasesExtra, AFullDiskForTheStateEndsOnceWithThree) {
  if (!time_series::Server::Installed("/usr/bin/influxd")) GTEST_SKIP() << "no influxd";
  TempDir small;
  if (getuid() != 0 || mount("tmpfs", small.path().c_str(), "tmpfs", 0, "size=4k") != 0) {
    GTEST_SKIP() << "a small tmpfs needs root";
  }
  struct Unmount {
    std::string path;
    ~Unmount() { umount(path.c_str()); }
  } unmount{small.path()};
  {
    std::ofstream fill(small.Path("fill"), std::ios::binary);
    fill << std::string(64 * 1024, 'x');
  }
  time_series::Influx influx;
  ASSERT_TRUE(influx.Create());
  LogRun run(influx);
  run.state_ = small.Path("lab.state");
  run.Write(0, 0, 10);
  EXPECT_EQ(run.Once(), 3);
  EXPECT_NE(run.last_err_.find("state file"), std::string::npos) << run.last_err_;
  // Nor does following begin where it cannot keep where it began.
  RunResult follow = RunProgram(run.Command({}), {}, {}, {"TZ=UTC"}, 20000);
  EXPECT_EQ(follow.status, 2) << follow.err;
  EXPECT_NE(follow.err.find("cannot save the state file"), std::string::npos) << follow.err;
}

}  // namespace

#endif

#include "watcher/shipping/shipping_delivery.hpp"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

#include "tests/support/temp_dir.hpp"

namespace {

class FakeClock final : public ShipClock {
 public:
  int64_t SteadyMilliseconds() override { return now; }
  int64_t UtcMilliseconds() override { return 1'700'000'000'000 + now; }
  void Sleep(int milliseconds) override {
    now += milliseconds;
    slept += milliseconds;
  }
  int64_t now = 0;
  int64_t slept = 0;
};

// Lines of one log file, each at its byte offset.
class FakeFeed final : public ShipFeed {
 public:
  explicit FakeFeed(std::vector<std::string> lines, size_t start = 0)
      : lines_(std::move(lines)), next_(start) {}
  size_t Poll(const std::function<void(const ShipLine&)>& take, size_t limit) override {
    size_t handed = 0;
    while (next_ < lines_.size() && handed < limit) {
      ShipLine line{lines_[next_], {"log.txt", 7, (next_ + 1) * 100}};
      take(line);
      ++next_;
      ++handed;
    }
    return handed;
  }
  bool AtEnd() const override { return next_ == lines_.size(); }
  void Wait(int) override {}

 private:
  std::vector<std::string> lines_;
  size_t next_;
};

// Answers from a script; a line holding "bad" is refused with 400 in any body.
class FakeServer final : public HttpClient {
 public:
  HttpAnswer Post(const std::string& url, const std::string& authorization,
                  std::string_view body) override {
    if (clock_now) *clock_now += request_ms;
    posts.emplace_back(body);
    last_url = url;
    last_authorization = authorization;
    if (!script.empty()) {
      HttpAnswer answer = script.front();
      script.pop_front();
      if (answer.status != 204) return answer;
    }
    if (body.find("value=-1 ") != std::string_view::npos)
      return {400, "{\"error\":\"partial write\"}", ""};
    for (size_t at = 0; at < body.size();) {
      size_t end = body.find('\n', at);
      stored.emplace_back(body.substr(at, end - at));
      at = end + 1;
    }
    return {204, "", ""};
  }
  std::deque<HttpAnswer> script;
  std::vector<std::string> posts;
  std::vector<std::string> stored;
  std::string last_url, last_authorization;
  int64_t* clock_now = nullptr;  // how long each request takes, on that clock
  int64_t request_ms = 0;
};

int Utc(int64_t local, int64_t utc[2]) {
  utc[0] = local;
  return 1;
}

std::vector<std::string> Readings(int count, int first_second = 0) {
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) {
    int s = first_second + i / 2;  // two readings each second
    char line[64];
    std::snprintf(line, sizeof line, "2023-11-14\t22:%02d:%02d\t%d.5", s / 60 % 60, s % 60, i);
    lines.push_back(line);
  }
  return lines;
}

struct ShipRun {
  int status;
  FakeServer server;
  FakeClock clock;
  std::vector<std::string> said;
  ShipState state;
};

void Ship(ShipRun& run, const TempDir& dir, std::vector<std::string> lines, bool once = true,
          size_t batch_points = 3) {
  FakeFeed feed(std::move(lines));
  ShipSettings settings;
  settings.target.url = "http://db:8086/write?db=lab";
  settings.target.write_url = settings.target.url + "&precision=ms";
  settings.target.authorization = "Token s3cret";
  settings.target.credential_source = "token file t";
  settings.prefix = "t,sensor=a value=";
  settings.state_path = dir.Path("log.brenwatch-state");
  settings.once = once;
  settings.batch_points = batch_points;
  settings.zone_rules = Utc;
  Shipper shipper(feed, run.server, run.clock, settings, ShipState{},
                  [&run](const std::string& text) { run.said.push_back(text); });
  std::atomic<bool> stop{false};
  run.status = shipper.Run(stop);
  std::string error;
  EXPECT_EQ(LoadShipState(settings.state_path, run.state, error), StateLoad::kLoaded) << error;
}

TEST(ShipperTest, AnswersDecideWhatIsResentRejectedAndSaved) {
  struct Case {
    const char* name;
    std::vector<HttpAnswer> answers;  // before the server behaves
    int readings;
    int bad_reading;  // -1: none
    int status;
    size_t posts;
    int64_t slept;
    size_t said;
  };
  const Case cases[] = {
      {"all taken", {}, 7, -1, 0, 3, 0, 0},
      {"network error, then taken", {{0, "", "refused"}}, 3, -1, 0, 2, 1000, 2},
      {"back-off doubles", {{0, "", "x"}, {503, "busy", ""}, {429, "", ""}}, 3, -1, 0, 4, 7000, 4},
      {"credentials retried each minute", {{401, "unauthorized", ""}}, 3, -1, 0, 2, 60000, 2},
      {"missing database retried each minute",
       {{404, "database not found", ""}},
       3,
       -1,
       0,
       2,
       60000,
       2},
      {"one bad point among three", {}, 3, 1, 3, 1 + 2 + 2, 0, 1},
      {"the only point bad", {}, 1, 0, 3, 1, 0, 1},
      {"bad point after an outage", {{500, "", ""}}, 2, 1, 3, 1 + 3, 1000, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    ShipRun run;
    run.server.script.assign(c.answers.begin(), c.answers.end());
    std::vector<std::string> lines = Readings(c.readings);
    if (c.bad_reading >= 0) lines[c.bad_reading] = lines[c.bad_reading].substr(0, 20) + "-1";
    Ship(run, dir, lines);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.server.posts.size(), c.posts);
    EXPECT_EQ(run.clock.slept, c.slept);
    EXPECT_EQ(run.said.size(), c.said);
    // Every good reading stored, the bad one in the rejected file only.
    size_t good = static_cast<size_t>(c.readings - (c.bad_reading >= 0 ? 1 : 0));
    std::sort(run.server.stored.begin(), run.server.stored.end());
    run.server.stored.erase(std::unique(run.server.stored.begin(), run.server.stored.end()),
                            run.server.stored.end());
    EXPECT_EQ(run.server.stored.size(), good);
    std::string rejected = ReadWholeFile(dir.Path("log.brenwatch-state.rejected"));
    if (c.bad_reading >= 0) {
      EXPECT_NE(rejected.find("# 400: {\"error\":\"partial write\"}\nt,sensor=a value=-1 "),
                std::string::npos)
          << rejected;
    } else {
      EXPECT_EQ(rejected, "");
    }
    EXPECT_EQ(run.state.position.offset, static_cast<uint64_t>(c.readings) * 100);
    EXPECT_EQ(run.server.last_url, "http://db:8086/write?db=lab&precision=ms");
    for (const std::string& line : run.said)
      EXPECT_EQ(line.find("s3cret"), std::string::npos) << line;
  }
}

TEST(ShipperTest, OnceGivesUpAfterAMinuteKeepingWhatWasShipped) {
  struct Case {
    const char* name;
    HttpAnswer answer;
    int64_t request_ms;
  };
  const Case cases[] = {{"unreachable", {0, "", "Connection refused"}, 0},
                        {"credentials refused", {403, "forbidden", ""}, 0},
                        {"each request takes its whole time-out", {0, "", "Timeout"}, 60000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    ShipRun run;
    run.server.clock_now = &run.clock.now;
    run.server.request_ms = c.request_ms;
    // The first batch goes, then the server is away for good.
    run.server.script.push_back({204, "", ""});
    for (int i = 0; i < 20; ++i) run.server.script.push_back(c.answer);
    Ship(run, dir, Readings(5));
    EXPECT_EQ(run.status, 3);
    EXPECT_GE(run.clock.now, kOnceGiveUpMs + c.request_ms);
    EXPECT_LT(run.clock.now, kOnceGiveUpMs + c.request_ms + 1000);
    EXPECT_EQ(run.state.position.offset, 300u);
    EXPECT_EQ(run.server.stored.size(), 3u);
  }
}

TEST(ShipperTest, ARestartResendsNothingAcknowledgedAndKeepsTheMilliseconds) {
  // Three readings share each second; batches of two end in mid-second.
  std::vector<std::string> lines;
  for (int i = 0; i < 9; ++i)
    lines.push_back("2023-11-14 22:13:2" + std::to_string(i / 3) + " " + std::to_string(i));
  TempDir whole_dir;
  ShipRun whole;
  Ship(whole, whole_dir, lines, true, 2);

  // Killed after the second batch: a new shipper goes on from the state.
  TempDir dir;
  ShipRun first;
  first.server.script.assign({{204, "", ""}, {204, "", ""}});
  for (int i = 0; i < 20; ++i) first.server.script.push_back({0, "", "down"});
  Ship(first, dir, lines, true, 2);
  ASSERT_EQ(first.state.position.offset, 400u);

  FakeFeed rest(lines, first.state.position.offset / 100);
  FakeServer server;
  FakeClock clock;
  ShipSettings settings;
  settings.target.write_url = "u";
  settings.prefix = "t,sensor=a value=";
  settings.state_path = dir.Path("log.brenwatch-state");
  settings.once = true;
  settings.batch_points = 2;
  settings.zone_rules = Utc;
  Shipper shipper(rest, server, clock, settings, first.state, [](const std::string&) {});
  std::atomic<bool> stop{false};
  EXPECT_EQ(shipper.Run(stop), 0);
  std::vector<std::string> together = first.server.stored;
  together.insert(together.end(), server.stored.begin(), server.stored.end());
  EXPECT_EQ(together, whole.server.stored);
  EXPECT_EQ(whole.server.stored[2], "t,sensor=a value=2 1700000000002");
}

// Readings arriving at their times on the fake clock; a wait ends at the
// next arrival, as a change ends the follower's. Stops two seconds after the last.
class ArrivingFeed final : public ShipFeed {
 public:
  ArrivingFeed(FakeClock& clock, std::vector<std::pair<int64_t, std::string>> lines,
               std::atomic<bool>& stop)
      : clock_(clock), lines_(std::move(lines)), stop_(stop) {}
  size_t Poll(const std::function<void(const ShipLine&)>& take, size_t limit) override {
    size_t handed = 0;
    for (; handed < limit && next_ < lines_.size() && lines_[next_].first <= clock_.now; ++next_) {
      take(ShipLine{lines_[next_].second, {"log.txt", 7, (next_ + 1) * 100}});
      ++handed;
    }
    return handed;
  }
  bool AtEnd() const override { return next_ == lines_.size() || lines_[next_].first > clock_.now; }
  bool StartAhead() override {
    ahead_ = next_;
    return true;
  }
  size_t PollAhead(const std::function<void(const ShipLine&)>& take, size_t limit) override {
    size_t handed = 0;
    for (; handed < limit && ahead_ < lines_.size() && lines_[ahead_].first <= clock_.now; ++ahead_) {
      take(ShipLine{lines_[ahead_].second, {"log.txt", 7, (ahead_ + 1) * 100}});
      ++handed;
    }
    return handed;
  }
  bool AheadCaughtUp() const override { return next_ >= ahead_; }
  void Wait(int milliseconds) override {
    ++waits;
    clock_.now += milliseconds;
    if (next_ < lines_.size()) clock_.now = std::min(clock_.now, lines_[next_].first);
    if (next_ == lines_.size() && clock_.now >= lines_.back().first + 2000) stop_ = true;
  }
  int waits = 0;

 private:
  FakeClock& clock_;
  std::vector<std::pair<int64_t, std::string>> lines_;
  std::atomic<bool>& stop_;
  size_t next_ = 0;
  size_t ahead_ = 0;
};

// Following: what one second brought goes as one batch, and a shipper with
// nothing to ship wakes once a second, not at every millisecond.
TEST(ShipperTest, FollowingBatchesASecondAndIdlesASecondAtATime) {
  TempDir dir;
  FakeClock clock;
  FakeServer server;
  std::atomic<bool> stop{false};
  ArrivingFeed feed(clock, {{0, "7.5"}, {300, "8.5"}, {1500, "9.5"}}, stop);
  ShipSettings settings;
  settings.prefix = "t value=";
  settings.state_path = dir.Path("log.brenwatch-state");
  settings.zone_rules = Utc;
  Shipper shipper(feed, server, clock, settings, ShipState{}, [](const std::string&) {});
  EXPECT_EQ(shipper.Run(stop), 0);
  ASSERT_EQ(server.posts.size(), 2u);
  EXPECT_EQ(std::count(server.posts[0].begin(), server.posts[0].end(), '\n'), 2);
  EXPECT_EQ(std::count(server.posts[1].begin(), server.posts[1].end(), '\n'), 1);
  EXPECT_LE(feed.waits, 6);
}

// A log without stamps: a reading keeps when it was first read, whether it
// came while the server was away or while the backlog went after it.
TEST(ShipperTest, UnstampedReadingsKeepWhenTheyCameThroughAnOutageAndItsBacklog) {
  TempDir dir;
  FakeClock clock;
  FakeServer server;
  server.clock_now = &clock.now;
  server.request_ms = 300;
  server.script = {{503, "away", ""}, {503, "away", ""}};
  std::atomic<bool> stop{false};
  std::vector<std::pair<int64_t, std::string>> lines;
  for (int i = 0; i < 60; ++i) lines.emplace_back(i * 100, std::to_string(i) + ".5");
  ArrivingFeed feed(clock, lines, stop);
  ShipSettings settings;
  settings.prefix = "t value=";
  settings.state_path = dir.Path("log.brenwatch-state");
  settings.zone_rules = Utc;
  settings.batch_points = 5;
  Shipper shipper(feed, server, clock, settings, ShipState{}, [](const std::string&) {});
  EXPECT_EQ(shipper.Run(stop), 0);
  ASSERT_EQ(server.stored.size(), lines.size());
  for (const std::string& point : server.stored) {
    SCOPED_TRACE(point);
    int index = std::stoi(point.substr(point.find('=') + 1));
    int64_t late = std::stoll(point.substr(point.rfind(' ') + 1)) - clock.UtcMilliseconds() +
                   clock.now - index * 100;
    EXPECT_GE(late, 0);
    EXPECT_LE(late, 400);
  }
}

TEST(ShipperTest, OnceEndsWithThreeWhenTheStateCannotBeSaved) {
  TempDir dir;
  FakeFeed feed(Readings(4));
  FakeServer server;
  FakeClock clock;
  ShipSettings settings;
  settings.target.write_url = "u";
  settings.prefix = "t value=";
  settings.state_path = dir.Write("file", "") + "/state";  // a folder that is a file
  settings.once = true;
  settings.zone_rules = Utc;
  std::vector<std::string> said;
  Shipper shipper(feed, server, clock, settings, ShipState{},
                  [&said](const std::string& text) { said.push_back(text); });
  std::atomic<bool> stop{false};
  EXPECT_EQ(shipper.Run(stop), 3);
  ASSERT_EQ(said.size(), 1u);
  EXPECT_NE(said[0].find("cannot"), std::string::npos) << said[0];
}

TEST(ShipperTest, CommentsMoveThePositionWithoutAPost) {
  TempDir dir;
  ShipRun run;
  Ship(run, dir, {";Celsius mode on", "Exit Code 0", "2023-11-14 22:13:20 no number"});
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.server.posts.empty());
  EXPECT_EQ(run.state.position.offset, 300u);
}

}  // namespace

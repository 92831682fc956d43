#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/console/terminal_screen.hpp"
#include "services/time/clock.hpp"
#include "watcher/screen.hpp"

namespace {

class FakeClock final : public Clock {
 public:
  LocalTime Now() override { return {}; }
  int64_t MonotonicMicros() override { return micros; }
  void SleepMs(int ms) override { micros += int64_t{ms} * 1000; }
  int64_t micros = 0;
};

class FakeTerminal final : public TerminalScreen {
 public:
  FakeTerminal(TerminalSize& size, std::vector<std::string>& drawn) : size_(size), drawn_(drawn) {}
  TerminalSize Size() override { return size_; }
  void Draw(std::string_view screen) override { drawn_.emplace_back(screen); }

 private:
  TerminalSize& size_;
  std::vector<std::string>& drawn_;
};

// Each step: the time it happens, what changes, whether that draws and
// what is then left waiting.
TEST(LiveScreen, DrawsChangesAtMostOnceASecondAndResizesAtOnce) {
  enum Change { kNothing, kReading, kEvent, kResize };
  const struct {
    int at_ms;
    Change change;
    bool draws;
    int due_ms;
  } steps[] = {
      {0, kNothing, true, -1},      // the first screen
      {500, kNothing, false, -1},   // nothing new: nothing written
      {600, kReading, false, 400},  // held back
      {1000, kNothing, true, -1},   // the held reading, on time
      {1200, kResize, true, -1},    // a new size at once
      {1300, kEvent, false, 900},
      {9000, kNothing, true, -1},  // a late call still draws what was held
      {9000, kNothing, false, -1},
      {18900, kNothing, false, -1},
      {19000, kNothing, true, -1},  // unchanged, mended now and then
  };
  FakeClock clock;
  SetClock(&clock);
  TerminalSize size{80, 24};
  std::vector<std::string> drawn;
  std::unique_ptr<LiveScreen> screen =
      LiveScreen::On(std::make_unique<FakeTerminal>(size, drawn), 3600);
  ScreenState state;
  state.log = "lab.log";
  size_t draws = 0;
  for (const auto& step : steps) {
    SCOPED_TRACE(step.at_ms);
    clock.micros = int64_t{step.at_ms} * 1000;
    if (step.change == kReading) screen->Add(1796792400, 4.5);
    if (step.change == kEvent) state.events.push_back("event");
    if (step.change == kResize) size = {40, 12};
    screen->Show(state);
    if (step.draws) ++draws;
    EXPECT_EQ(drawn.size(), draws);
    EXPECT_EQ(screen->MillisecondsUntilDue(), step.due_ms);
  }
  EXPECT_NE(drawn.back().find("event"), std::string::npos);
  EXPECT_LE(drawn.back().find('\n'), 40u);
  SetClock(nullptr);
}

}  // namespace

#include <utility>

#include "services/console/terminal_screen.hpp"
#include "services/time/clock.hpp"
#include "watcher/screen.hpp"

namespace {

constexpr int64_t kDrawIntervalMicros = 1000000;
// An unchanged screen is drawn again after this long, mending what other
// writers to the terminal (an error message, a command's output) left on it.
constexpr int64_t kRefreshMicros = 10000000;

class TerminalLiveScreen final : public LiveScreen {
 public:
  TerminalLiveScreen(std::unique_ptr<TerminalScreen> terminal, int64_t window_seconds)
      : terminal_(std::move(terminal)), chart_(window_seconds) {}

  void Add(int64_t seconds, double value) override {
    chart_.Add(seconds, value);
    chart_changed_ = true;
  }

  // A new size (or a terminal given back) is drawn at once; other changes wait for the second to
  // pass and are held until a later call.
  void Show(const ScreenState& state) override {
    TerminalSize size = terminal_->Size();
    int64_t now = CurrentClock().MonotonicMicros();
    bool changed = !drawn_ || chart_changed_ || !(state == drawn_state_) ||
                   now - drawn_micros_ >= kRefreshMicros;
    bool resized = (drawn_ && !(size == drawn_size_)) || terminal_->NeedsRedraw();
    held_ = changed && !resized && drawn_ && now - drawn_micros_ < kDrawIntervalMicros;
    if (held_ || !(changed || resized)) return;
    terminal_->Draw(DrawScreen(state, chart_, size.columns, size.rows));
    drawn_ = true;
    drawn_micros_ = now;
    drawn_size_ = size;
    drawn_state_ = state;
    chart_changed_ = false;
  }

  int MillisecondsUntilDue() const override {
    if (!held_) return -1;
    int64_t left = drawn_micros_ + kDrawIntervalMicros - CurrentClock().MonotonicMicros();
    return left <= 0 ? 0 : static_cast<int>((left + 999) / 1000);
  }

 private:
  std::unique_ptr<TerminalScreen> terminal_;
  ChartWindow chart_;
  bool drawn_ = false;
  bool held_ = false;
  bool chart_changed_ = false;
  int64_t drawn_micros_ = 0;
  TerminalSize drawn_size_;
  ScreenState drawn_state_;
};

}  // namespace

std::unique_ptr<LiveScreen> LiveScreen::Open(int64_t window_seconds) {
  std::unique_ptr<TerminalScreen> terminal = OpenTerminalScreen();
  if (!terminal) return nullptr;
  return On(std::move(terminal), window_seconds);
}

std::unique_ptr<LiveScreen> LiveScreen::On(std::unique_ptr<TerminalScreen> terminal,
                                           int64_t window_seconds) {
  return std::make_unique<TerminalLiveScreen>(std::move(terminal), window_seconds);
}

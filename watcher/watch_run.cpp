#include "watcher/watch_run.hpp"

#include <cstdio>
#include <vector>

#include "logreader/log_record.hpp"
#include "services/process/stop_request.hpp"
#include "services/time/clock.hpp"
#include "watcher/alarms.hpp"
#include "watcher/commands.hpp"
#include "watcher/console_lines.hpp"
#include "watcher/follower.hpp"
#include "watcher/log_reading.hpp"

namespace {

// Followed logs are looked at again at least this often, for the stale and
// repeat alarms, the commands and a stop request.
constexpr int kLookMs = 1000;
// While lines stream in they are taken in batches this far apart, so a busy
// logger costs a few wake-ups a second, not one per record.
constexpr int kBatchMs = 100;
// A long backlog (--from-start) is read in parts, the checks run between.
constexpr size_t kLinesPerPoll = 100000;
// The commands of a stopping run get this long to finish.
constexpr int kStopGraceMs = 5000;

struct Now {
  int64_t micros = 0;   // monotonic
  int64_t seconds = 0;  // local time counted as if UTC
  char text[20] = {};   // yyyy-mm-ddThh:mm:ss

  void Read() {
    Clock& clock = CurrentClock();
    micros = clock.MonotonicMicros();
    LocalTime t = clock.Now();
    seconds =
        DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
  }
};

// What the screen shows, kept up to date only while there is one.
class ScreenKeeper {
 public:
  explicit ScreenKeeper(LiveScreen* screen) : screen_(screen) {}

  void Reading(const ::Reading& reading) {
    if (!screen_) return;
    state_.has_reading = true;
    state_.last_value = reading.text;
    state_.last_time = reading.time;
    if (!has_range_ || reading.value < minimum_) {
      minimum_ = reading.value;
      state_.minimum = reading.text;
    }
    if (!has_range_ || reading.value > maximum_) {
      maximum_ = reading.value;
      state_.maximum = reading.text;
    }
    has_range_ = true;
    screen_->Add(reading.seconds, reading.value);
  }

  void Show(const std::string& log, const Alarms& alarms, const EventOutput& output) {
    if (!screen_) return;
    state_.log = log;
    state_.alarms = alarms.Views();
    state_.events.assign(output.Last().begin(), output.Last().end());
    screen_->Show(state_);
  }

 private:
  LiveScreen* screen_;
  ScreenState state_;
  bool has_range_ = false;
  double minimum_ = 0, maximum_ = 0;
};

class Watch {
 public:
  Watch(const WatchOptions& options, const LogSource& source, EventOutput& output,
        LiveScreen* screen, const std::function<bool()>& stopped = StopRequested)
      : options_(options),
        output_(output),
        follower_(source),
        alarms_(options, options.once),
        commands_(options.command),
        screen_(screen),
        stopped_(stopped) {}

  bool Once() {
    follower_.StartAtFirst();
    now_.Read();
    follower_.Poll([this](const LogLine& line) { OnceLine(line); });
    Emit();
    // Every command of the run gets its time to finish.
    while (commands_.Running()) {
      CurrentClock().SleepMs(50);
      now_.Read();
      commands_.Check(now_.micros);
    }
    return alarms_.EverRaised();
  }

  void Follow() {
    if (options_.from_start) {
      follower_.StartAtBeginning();
    } else {
      follower_.StartAtEnd();
    }
    now_.Read();
    last_arrival_ = now_.micros;
    while (!stopped_()) {
      now_.Read();
      size_t taken =
          follower_.Poll([this](const LogLine& line) { FollowLine(line); }, kLinesPerPoll);
      if (options_.stale > 0 && now_.micros - last_arrival_ > options_.stale * 1000000) {
        alarms_.RaiseStale(now_.text, now_.micros / 1000000, events_);
      }
      alarms_.Repeats(now_.micros / 1000000, now_.text, events_);
      Emit();
      commands_.Check(now_.micros);
      screen_.Show(follower_.CurrentFile(), alarms_, output_);
      if (stopped_()) break;
      if (!follower_.AtEnd()) continue;
      if (taken > 0) CurrentClock().SleepMs(kBatchMs);
      follower_.Wait(kLookMs);
    }
    for (int waited = 0; commands_.Running() && waited < kStopGraceMs && !StopIsUrgent();
         waited += 50) {
      CurrentClock().SleepMs(50);
      now_.Read();
      commands_.Check(now_.micros);
    }
    commands_.EndAll();
  }

 private:
  void OnceLine(const LogLine& line) {
    Record record = ReadRecord(line.text);
    if (record.kind != RecordKind::kReading) return;
    Reading reading;
    reading.value = record.value;
    reading.text = NumberText(record.text);
    if (record.stamped) {
      reading.seconds = record.seconds;
      reading.time = stamp_.Of(record);
      reading.clock = record.seconds;
    } else {
      reading.timed = false;
      if (!said_unstamped_) {
        SayProblem(std::string(line.after.file) +
                   " has readings without date and time: no delay, no stale check and no "
                   "times for them");
        said_unstamped_ = true;
      }
    }
    alarms_.Take(reading, events_);
    if (!events_.empty()) Emit(std::string(line.after.file));
  }

  void FollowLine(const LogLine& line) {
    Record record = ReadRecord(line.text);
    if (record.kind != RecordKind::kReading) return;
    Reading reading;
    reading.value = record.value;
    reading.text = NumberText(record.text);
    reading.clock = now_.micros / 1000000;
    if (record.stamped) {
      reading.seconds = record.seconds;
      reading.time = stamp_.Of(record);
    } else {
      reading.seconds = now_.seconds;
      reading.time = std::string_view(now_.text, 19);
    }
    last_arrival_ = now_.micros;
    alarms_.Take(reading, events_);
    screen_.Reading(reading);
    if (!events_.empty()) Emit(std::string(line.after.file));
  }

  void Emit(const std::string& log = {}) {
    if (events_.empty()) return;
    int64_t micros = CurrentClock().MonotonicMicros();
    commands_.Check(micros);
    for (const Event& event : events_) {
      output_.Write(event);
      // --once may wait for a command slot; following never does.
      while (options_.once && commands_.Full()) {
        CurrentClock().SleepMs(20);
        micros = CurrentClock().MonotonicMicros();
        commands_.Check(micros);
      }
      commands_.Start(event, log.empty() ? follower_.CurrentFile() : log, micros);
    }
    events_.clear();
  }

  const WatchOptions& options_;
  EventOutput& output_;
  Follower follower_;
  Alarms alarms_;
  Commands commands_;
  ScreenKeeper screen_;
  std::function<bool()> stopped_;
  StampTime stamp_;
  Now now_;
  std::vector<Event> events_;
  int64_t last_arrival_ = 0;
  bool said_unstamped_ = false;
};

}  // namespace

bool WatchOnce(const WatchOptions& options, const LogSource& source, EventOutput& output) {
  return Watch(options, source, output, nullptr).Once();
}

void WatchFollowing(const WatchOptions& options, const LogSource& source, EventOutput& output,
                    LiveScreen* screen, const std::function<bool()>& stopped) {
  Watch(options, source, output, screen, stopped).Follow();
}

#include "watcher/alarms.hpp"

#include <cmath>

#include "logreader/log_record.hpp"
#include "services/text/text_forms.hpp"

namespace {

// T - D and T + D are computed; a reading logged as exactly that number
// still counts as reaching it.
double Slack(double limit, double margin) {
  return 1e-9 * std::max(1.0, std::fabs(limit) + margin);
}

std::string TimeText(int64_t seconds) {
  std::string text = StampText(seconds);
  text[10] = 'T';
  return text;
}

}  // namespace

std::string EventLine(const Event& e) {
  return e.time + ',' + e.event + ',' + e.kind + ',' + e.value + ',' + e.limit;
}

Alarms::Alarms(const WatchOptions& options, bool gaps)
    : options_(options), gaps_(gaps), stale_limit_(IntText(options.stale)) {}

void Alarms::Emit(State& state, std::string_view time, const char* event, const char* kind,
                  std::string_view value, const std::string& limit, int64_t clock,
                  std::vector<Event>& events) {
  std::string what = event;
  if (what != "repeat") {
    state.raised = what == "raise";
    state.since = time;
  }
  if (state.raised) state.next_repeat = clock + options_.repeat;
  if (what == "raise") ever_raised_ = true;
  events.push_back({std::string(time), what, kind, std::string(value), limit});
}

void Alarms::Beyond(State& state, bool beyond, bool back, const Reading& reading, const char* kind,
                    const std::string& limit, std::vector<Event>& clears,
                    std::vector<Event>& raises) {
  if (state.raised) {
    if (back) Emit(state, reading.time, "clear", kind, reading.text, limit, reading.clock, clears);
    return;
  }
  if (!beyond) {
    state.in_run = false;
    return;
  }
  if (!state.in_run) {
    state.in_run = true;
    state.run_start = reading.seconds;
  }
  if (!reading.timed || reading.seconds - state.run_start >= options_.delay) {
    state.in_run = false;
    Emit(state, reading.time, "raise", kind, reading.text, limit, reading.clock, raises);
  }
}

void Alarms::Take(const Reading& reading, std::vector<Event>& events) {
  if (stale_.raised) {
    Emit(stale_, reading.time, "clear", "stale", "", stale_limit_, reading.clock, events);
  } else if (gaps_ && options_.stale > 0 && reading.timed && has_stamp_ &&
             reading.seconds - last_stamp_ > options_.stale) {
    int64_t noticed = last_stamp_ + options_.stale;
    Emit(stale_, TimeText(noticed), "raise", "stale", "", stale_limit_, noticed, events);
    Emit(stale_, reading.time, "clear", "stale", "", stale_limit_, reading.clock, events);
  }
  if (reading.timed) {
    has_stamp_ = true;
    last_stamp_ = reading.seconds;
  }
  // Clears before raises: a jump from one side to the other reads in order.
  std::vector<Event> raises;
  const double v = reading.value;
  const double margin = options_.margin;
  if (options_.high) {
    double limit = options_.high->value;
    Beyond(high_, v > limit, v <= limit - margin + Slack(limit, margin), reading, "high",
           options_.high->text, events, raises);
  }
  if (options_.low) {
    double limit = options_.low->value;
    Beyond(low_, v < limit, v >= limit + margin - Slack(limit, margin), reading, "low",
           options_.low->text, events, raises);
  }
  last_text_ = reading.text;
  // --once counts repeats by the stamps: due ones come with the reading.
  if (gaps_ && reading.timed) Repeats(reading.clock, reading.time, events);
  events.insert(events.end(), raises.begin(), raises.end());
}

void Alarms::RaiseStale(std::string_view time, int64_t clock, std::vector<Event>& events) {
  if (options_.stale > 0 && !stale_.raised) {
    Emit(stale_, time, "raise", "stale", "", stale_limit_, clock, events);
  }
}

void Alarms::Repeats(int64_t clock, std::string_view time, std::vector<Event>& events) {
  if (options_.repeat <= 0) return;
  struct Each {
    State& state;
    const char* kind;
    std::string limit;
    std::string value;
  };
  Each all[] = {{high_, "high", options_.high ? options_.high->text : "", last_text_},
                {low_, "low", options_.low ? options_.low->text : "", last_text_},
                {stale_, "stale", stale_limit_, ""}};
  for (Each& each : all) {
    if (each.state.raised && clock >= each.state.next_repeat) {
      Emit(each.state, time, "repeat", each.kind, each.value, each.limit, clock, events);
    }
  }
}

std::vector<AlarmView> Alarms::Views() const {
  std::vector<AlarmView> views;
  if (options_.high) views.push_back({"high", options_.high->text, high_.raised, high_.since});
  if (options_.low) views.push_back({"low", options_.low->text, low_.raised, low_.since});
  if (options_.stale > 0) views.push_back({"stale", stale_limit_, stale_.raised, stale_.since});
  return views;
}

#include "watcher/shipping/shipping_delivery.hpp"

#include <algorithm>
#include <chrono>
#include <thread>

#include "logreader/log_record.hpp"

namespace {

class SystemClock final : public ShipClock {
 public:
  int64_t SteadyMilliseconds() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  int64_t UtcMilliseconds() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
  }
  void Sleep(int milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
};

enum class Answer { kAccepted, kBadPoints, kCredentials, kMissing, kTransient };

Answer Classify(int status) {
  if (status >= 200 && status < 300) return Answer::kAccepted;
  if (status == 401 || status == 403) return Answer::kCredentials;
  if (status == 404) return Answer::kMissing;
  if (status == 0 || status == 408 || status == 429 || status >= 500 || status < 400) {
    return Answer::kTransient;
  }
  return Answer::kBadPoints;
}

// The server's message on one console line.
std::string OneLine(std::string_view text) {
  std::string line;
  for (char c : text.substr(0, 300)) {
    if (c != '\r') line += c == '\n' ? ' ' : c;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

}  // namespace

ShipClock& SystemShipClock() {
  static SystemClock clock;
  return clock;
}

Shipper::Shipper(ShipFeed& feed, HttpClient& http, ShipClock& clock, ShipSettings settings,
                 const ShipState& start, std::function<void(const std::string&)> say)
    : feed_(feed),
      http_(http),
      clock_(clock),
      settings_(std::move(settings)),
      state_(start),
      stamper_(settings_.zone_rules),
      say_(std::move(say)),
      rejected_path_(settings_.state_path + ".rejected"),
      first_reads_(settings_.state_path + ".spool", say_) {
  stamper_.memory() = start.memory;
}

int Shipper::Run(const std::atomic<bool>& stop) {
  Batch batch;
  while (!stop) {
    Fill(batch, stop);
    if (!batch.moved) {
      if (settings_.once) break;
      continue;
    }
    Outcome outcome = Deliver(batch, stop);
    if (outcome == Outcome::kGaveUp) return 3;
    if (outcome == Outcome::kStopped) break;
    if (settings_.once && feed_.AtEnd()) break;
  }
  return settings_.once && any_refused_ ? 3 : 0;
}

void Shipper::Fill(Batch& batch, const std::atomic<bool>& stop) {
  FillLines(batch, stop);
  batch.after.memory = stamper_.memory();
}

void Shipper::FillLines(Batch& batch, const std::atomic<bool>& stop) {
  batch.body.clear();
  batch.ends.clear();
  batch.moved = false;
  batch.after = state_;
  batch_unstamped_.clear();
  stamper_.memory() = state_.memory;
  // After an outage the logs are read ahead until shipping catches up: a
  // reading written while the backlog goes keeps when it came too.
  if (ahead_) {
    if (feed_.AheadCaughtUp()) {
      ahead_ = false;
    } else {
      NoteFirstReads();
    }
  }
  auto take = [this, &batch](const ShipLine& line) { Take(batch, line); };
  while (!stop) {
    size_t handed = feed_.Poll(take, settings_.batch_points - batch.ends.size());
    if (batch.ends.size() >= settings_.batch_points) return;
    // Nothing handed counts as the end too, so a log that cannot be read
    // is waited for, not spun on.
    if (handed > 0 && !feed_.AtEnd()) continue;
    if (settings_.once) return;
    // Following: what one second brought goes as one batch.
    int wait = 1000;
    if (!batch.ends.empty()) {
      int64_t left = batch.first_point_at + 1000 - clock_.SteadyMilliseconds();
      if (left <= 0) return;
      wait = static_cast<int>(left);
    }
    feed_.Wait(wait);
  }
}

void Shipper::Take(Batch& batch, const ShipLine& line) {
  batch.moved = true;
  batch.after.position = line.after;
  Record record = ReadRecord(line.text);
  if (record.kind == RecordKind::kReading) {
    int64_t millisecond =
        record.stamped
            ? stamper_.Stamped(record.seconds)
            : stamper_.Unstamped(first_reads_.Take(line.after.identity, line.after.offset,
                                                   clock_.UtcMilliseconds()));
    if (record.stamped) {
      stamped_log_ = true;
    } else {
      batch_unstamped_.push_back({line.after.identity, line.after.offset, millisecond});
    }
    // The log reader gives finite numbers only (too large is the largest).
    if (AppendPoint(batch.body, settings_.prefix, record.value, millisecond)) {
      if (batch.ends.empty()) batch.first_point_at = clock_.SteadyMilliseconds();
      batch.ends.push_back(batch.body.size());
    }
  }
}

Shipper::Outcome Shipper::Deliver(Batch& batch, const std::atomic<bool>& stop) {
  refused_in_batch_ = 0;
  if (!batch.ends.empty()) {
    Outcome outcome = SendRange(batch, 0, batch.ends.size(), stop);
    if (outcome != Outcome::kAccepted) return outcome;
  }
  if (refused_in_batch_ > 0) {
    any_refused_ = true;
    say_(settings_.target.url + " refused " + std::to_string(refused_in_batch_) + " point" +
         (refused_in_batch_ == 1 ? "" : "s") + " (" + refusal_ + "); they are in " +
         rejected_path_);
  }
  state_ = batch.after;
  std::string error;
  if (SaveShipState(settings_.state_path, state_, error)) {
    state_failing_ = false;
  } else if (settings_.once) {
    // Reported as done, the next run would ship all of it again.
    say_(error + "; the points were shipped, but a rerun starts from the last saved position");
    return Outcome::kGaveUp;
  } else if (!state_failing_) {
    // Shipping goes on; a restart would resend from the last saved position.
    say_(error);
    state_failing_ = true;
  }
  return Outcome::kAccepted;
}

Shipper::Outcome Shipper::SendRange(const Batch& batch, size_t first, size_t last,
                                    const std::atomic<bool>& stop) {
  size_t begin = first == 0 ? 0 : batch.ends[first - 1];
  std::string_view body = std::string_view(batch.body).substr(begin, batch.ends[last - 1] - begin);
  Outcome outcome = Post(body, stop);
  if (outcome != Outcome::kRefused) return outcome;
  if (last - first == 1) {
    ++refused_in_batch_;
    Reject(refusal_, body);
    return Outcome::kAccepted;
  }
  // The server does not say which lines it refused: halves find them, and
  // what was stored already is overwritten by itself.
  size_t middle = first + (last - first) / 2;
  outcome = SendRange(batch, first, middle, stop);
  if (outcome != Outcome::kAccepted) return outcome;
  return SendRange(batch, middle, last, stop);
}

Shipper::Outcome Shipper::Post(std::string_view body, const std::atomic<bool>& stop) {
  const std::string& url = settings_.target.url;
  while (!stop) {
    int64_t asked = clock_.SteadyMilliseconds();
    HttpAnswer answer =
        http_.Post(settings_.target.write_url, settings_.target.authorization, body);
    Answer kind = Classify(answer.status);
    if (kind == Answer::kAccepted || kind == Answer::kBadPoints) {
      if (failing_) say_(url + " takes points again");
      failing_ = false;
      failing_status_ = -1;
      retry_ms_ = kFirstRetryMs;
      if (kind == Answer::kAccepted) return Outcome::kAccepted;
      refusal_ = std::to_string(answer.status) + ": " + OneLine(answer.body);
      return Outcome::kRefused;
    }
    if (stop) break;  // a request given up for the stop is no trouble to report
    int64_t now = clock_.SteadyMilliseconds();
    // From when the failed request was made: a request that took its whole
    // time-out counts.
    if (!failing_) failing_since_ = asked;
    failing_ = true;
    int wait;
    if (kind == Answer::kTransient) {
      wait = retry_ms_;
      retry_ms_ = std::min(retry_ms_ * 2, kLastRetryMs);
    } else {
      wait = kCredentialRetryMs;
    }
    // One line per kind of trouble, not one per try.
    if (answer.status != failing_status_) {
      failing_status_ = answer.status;
      if (kind == Answer::kCredentials) {
        say_(url + " refused the credentials (" + std::to_string(answer.status) + ", " +
             settings_.target.credential_source + "); trying again every 60 s, nothing is dropped");
      } else if (answer.status == 0) {
        say_("cannot reach " + url + ": " + OneLine(answer.error) +
             "; trying again, nothing is dropped");
      } else {
        say_(url + " answered " + std::to_string(answer.status) + " " + OneLine(answer.body) +
             "; trying again, nothing is dropped");
      }
    }
    if (settings_.once) {
      int64_t left = failing_since_ + kOnceGiveUpMs - now;
      if (left <= 0) {
        say_("gave up on " + url + " after 60 s; the state file " + settings_.state_path +
             " keeps what was shipped");
        return Outcome::kGaveUp;
      }
      wait = static_cast<int>(std::min<int64_t>(wait, left));
    }
    Pause(wait, stop);
  }
  return Outcome::kStopped;
}

void Shipper::Reject(std::string_view message, std::string_view lines) {
  std::string error;
  if (!AppendRejected(rejected_path_, message, lines, error)) {
    // Never lost: the console keeps the lines when the file cannot.
    say_(error + "; the refused lines: " + OneLine(lines));
  }
}

void Shipper::Pause(int milliseconds, const std::atomic<bool>& stop) {
  // In short steps, so a stop is not kept waiting for a minute.
  while (milliseconds > 0 && !stop) {
    int step = std::min(milliseconds, 200);
    clock_.Sleep(step);
    milliseconds -= step;
    NoteFirstReads();
  }
}

// The logs are read on while the server is away, only to note when each
// reading without a stamp came: its time is that, not when it is shipped.
void Shipper::NoteFirstReads() {
  if (stamped_log_) return;
  if (!ahead_) {
    ahead_ = feed_.StartAhead();
    if (!ahead_) return;
    // It starts where shipping stands, behind what an earlier outage noted.
    first_reads_.StartAhead();
    // The batch in flight keeps its times also when a restart reads it again;
    // taken from the spool, it is there still.
    if (!first_reads_.HoldsTaken()) {
      for (const Unstamped& read : batch_unstamped_) {
        first_reads_.Note(read.identity, read.offset, read.millisecond);
      }
    }
  }
  int64_t now = clock_.UtcMilliseconds();
  constexpr size_t kLines = 10000;
  size_t handed = feed_.PollAhead(
      [this, now](const ShipLine& line) {
        Record record = ReadRecord(line.text);
        if (record.kind != RecordKind::kReading) return;
        // A log with stamps has its times: no need to read it twice.
        if (record.stamped) stamped_log_ = true;
        if (!stamped_log_) first_reads_.NoteAhead(line.after.identity, line.after.offset, now);
      },
      kLines);
  if (handed < kLines) first_reads_.AheadAtEnd();
  first_reads_.Flush();
}

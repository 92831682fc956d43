#pragma once
// Ships the readings of the followed logs, a bounded batch at a time, from
// the saved position on: the logs are the buffer, so a server that is away
// costs no memory. Every acknowledged batch moves the saved position.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "services/network/http_client.hpp"
#include "watcher/shipping/first_reads.hpp"
#include "watcher/shipping/shipping_points.hpp"
#include "watcher/shipping/shipping_state.hpp"
#include "watcher/shipping/shipping_target.hpp"

// A line of the logs and the position just past it.
using ShipLine = LogLine;

// The lines of the logs, from where shipping stands (the follower).
class ShipFeed {
 public:
  virtual ~ShipFeed() = default;
  virtual size_t Poll(const std::function<void(const ShipLine&)>& take, size_t limit) = 0;
  virtual bool AtEnd() const = 0;
  virtual void Wait(int milliseconds) = 0;
  // A second reader, from where this one stands, that notes the readings
  // written while the server is away; false when there is none.
  virtual bool StartAhead() { return false; }
  virtual size_t PollAhead(const std::function<void(const ShipLine&)>&, size_t) { return 0; }
  // True when this reader stands where the second one does, or further.
  virtual bool AheadCaughtUp() const { return true; }
};

class ShipClock {
 public:
  virtual ~ShipClock() = default;
  virtual int64_t SteadyMilliseconds() = 0;
  virtual int64_t UtcMilliseconds() = 0;
  virtual void Sleep(int milliseconds) = 0;
};
ShipClock& SystemShipClock();

struct ShipSettings {
  ShipTarget target;
  std::string prefix;      // PointPrefix's
  std::string state_path;  // refused lines go to state_path + ".rejected"
  bool once = false;
  size_t batch_points = 5000;
  Stamper::ZoneRules zone_rules = nullptr;
};

constexpr int kFirstRetryMs = 1000;
constexpr int kLastRetryMs = 60000;
// Credentials and missing databases are mended by people, not by retrying fast.
constexpr int kCredentialRetryMs = 60000;
constexpr int kOnceGiveUpMs = 60000;

class Shipper {
 public:
  Shipper(ShipFeed& feed, HttpClient& http, ShipClock& clock, ShipSettings settings,
          const ShipState& start, std::function<void(const std::string&)> say);
  // Ships until `stop` is set, or with `once` to the logs' end. Returns 0, or
  // 3 with `once` when a point was refused or the server could not be reached
  // (or took no credentials) for 60 s.
  int Run(const std::atomic<bool>& stop);
  const ShipState& state() const { return state_; }

 private:
  enum class Outcome { kAccepted, kRefused, kStopped, kGaveUp };
  struct Batch {
    std::string body;
    std::vector<size_t> ends;  // where each point's line ends in body
    ShipState after;
    bool moved = false;
    int64_t first_point_at = 0;
  };

  void Fill(Batch& batch, const std::atomic<bool>& stop);
  void FillLines(Batch& batch, const std::atomic<bool>& stop);
  void Take(Batch& batch, const ShipLine& line);
  Outcome Deliver(Batch& batch, const std::atomic<bool>& stop);
  Outcome SendRange(const Batch& batch, size_t first, size_t last, const std::atomic<bool>& stop);
  Outcome Post(std::string_view body, const std::atomic<bool>& stop);
  void Reject(std::string_view message, std::string_view lines);
  void Pause(int milliseconds, const std::atomic<bool>& stop);
  void NoteFirstReads();

  ShipFeed& feed_;
  HttpClient& http_;
  ShipClock& clock_;
  ShipSettings settings_;
  ShipState state_;
  Stamper stamper_;
  std::function<void(const std::string&)> say_;
  std::string rejected_path_;
  // The current run of failed requests.
  bool failing_ = false;
  int failing_status_ = -1;
  int64_t failing_since_ = 0;
  int retry_ms_ = kFirstRetryMs;
  // The last refusal of a batch, for its console line.
  size_t refused_in_batch_ = 0;
  std::string refusal_;
  bool any_refused_ = false;
  bool state_failing_ = false;
  // Readings without stamps written while the server is away.
  FirstReads first_reads_;
  bool ahead_ = false;
  bool stamped_log_ = false;  // a stamped reading was seen: no times to note
  struct Unstamped {
    uint64_t identity, offset;
    int64_t millisecond;
  };
  std::vector<Unstamped> batch_unstamped_;  // the batch in flight's readings without stamps
};

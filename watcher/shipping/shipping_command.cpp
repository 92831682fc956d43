#include "watcher/shipping/shipping_command.hpp"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "services/files/files.hpp"
#include "services/files/private_files.hpp"
#include "services/time/local_zone.hpp"
#include "watcher/follower.hpp"
#include "watcher/shipping/shipping_delivery.hpp"

const char kShipOptionsHelp[] =
    "\n"
    "Shipping every reading to a time-series database:\n"
    "  --influx URL         ship every reading: http(s)://HOST:PORT/write?db=NAME or\n"
    "                       http(s)://HOST:PORT/api/v2/write?org=O&bucket=B\n"
    "  --measurement NAME   the points' measurement (default temperature)\n"
    "  --tag KEY=VALUE      a tag of every point (repeatable; defaults host=<this machine>,\n"
    "                       sensor=<SOURCE's base name>)\n"
    "  --token-file FILE    first line: an API token, or user:password (else BRENWATCH_TOKEN)\n"
    "  --state FILE         the shipping position (default <SOURCE's base name>.brenwatch-state)\n"
    "Exit status 3: --once could not ship every reading (refused, or the server\n"
    "unreachable or refusing the credentials for 60 s).\n";

namespace {

// The follower as shipping reads it.
class FollowerFeed final : public ShipFeed {
 public:
  explicit FollowerFeed(const LogSource& source) : follower(source), source_(source) {}
  size_t Poll(const std::function<void(const ShipLine&)>& take, size_t limit) override {
    return follower.Poll(take, limit);
  }
  bool AtEnd() const override { return follower.AtEnd(); }
  void Wait(int milliseconds) override { follower.Wait(milliseconds); }
  bool StartAhead() override {
    ahead_ = std::make_unique<Follower>(source_);
    ahead_->StartAt(follower.Position());
    return true;
  }
  size_t PollAhead(const std::function<void(const ShipLine&)>& take, size_t limit) override {
    return ahead_ ? ahead_->Poll(take, limit) : 0;
  }
  bool AheadCaughtUp() const override {
    if (!ahead_) return true;
    LogPosition here = follower.Position(), there = ahead_->Position();
    return here.file == there.file && here.identity == there.identity &&
           here.offset >= there.offset;
  }
  Follower follower;

 private:
  LogSource source_;
  std::unique_ptr<Follower> ahead_;
};

}  // namespace

OptionResult ScanShipOption(OptionScanner& scanner, ShipOptions& options, std::string& error) {
  const std::string& name = scanner.Name();
  std::string* target = nullptr;
  if (name == "--influx")
    target = &options.influx;
  else if (name == "--measurement")
    target = &options.measurement;
  else if (name == "--token-file")
    target = &options.token_file;
  else if (name == "--state")
    target = &options.state;
  else if (name != "--tag")
    return OptionResult::kNotMine;
  std::string value;
  if (!scanner.TakeValue(value, error)) return OptionResult::kRefused;
  if (value.empty()) {
    error = "option " + name + " needs a value";
    return OptionResult::kRefused;
  }
  if (target) {
    *target = value;
    return OptionResult::kTaken;
  }
  size_t tag_equals = value.find('=');
  if (tag_equals == std::string::npos || tag_equals == 0 || tag_equals + 1 == value.size()) {
    error = "--tag " + value + ": give KEY=VALUE, neither empty";
    return OptionResult::kRefused;
  }
  options.tags.emplace_back(value.substr(0, tag_equals), value.substr(tag_equals + 1));
  return OptionResult::kTaken;
}

bool ScanCommandLine(const std::vector<std::string>& args, WatchOptions& watch, ShipOptions& ship,
                     std::string& error) {
  return ScanWatchOptions(args, watch, error,
                          [&ship](OptionScanner& scanner, std::string& message) {
                            return ScanShipOption(scanner, ship, message);
                          });
}

struct Shipment::Job {
  std::unique_ptr<FileLock> lock;
  std::unique_ptr<FollowerFeed> feed;
  std::unique_ptr<HttpClient> http;
  ShipSettings settings;
  ShipState start;
};

Shipment::Shipment() = default;

Shipment::~Shipment() {
  Stop();
  Finish();
}

bool Shipment::Prepare(const ShipOptions& options, const LogSource& source,
                       const std::string& source_argument, bool once, bool from_start,
                       std::string& error) {
  auto job = std::make_unique<Job>();
  ShipSettings& settings = job->settings;
  if (!CheckShipUrl(options.influx, settings.target, error) ||
      !ReadCredentials(options.token_file, options.environment_token, settings.target, error)) {
    return false;
  }
  if (!options.token_file.empty() && ReadableByOthers(NativeFileName(options.token_file))) {
    std::fprintf(stderr,
                 "brenwatch: warning: the token file %s can be read by other users; "
                 "chmod 600 %s\n",
                 options.token_file.c_str(), options.token_file.c_str());
  }
  std::string base = std::filesystem::path(source_argument).stem().string();
  std::vector<std::pair<std::string, std::string>> tags = options.tags;
  auto named = [&tags](const std::string& key) {
    for (const auto& tag : tags) {
      if (tag.first == key) return true;
    }
    return false;
  };
  if (!named("host")) {
    std::string host = MachineName();
    if (host.empty()) {
      error = "this machine's name cannot be told: give --tag host=NAME";
      return false;
    }
    tags.emplace_back("host", host);
  }
  if (!named("sensor")) tags.emplace_back("sensor", base);
  if (!PointPrefix(options.measurement, tags, settings.prefix, error)) return false;
  settings.state_path = options.state.empty() ? base + ".brenwatch-state" : options.state;
  settings.once = once;
  settings.zone_rules = LocalToUtc;
  // One brenwatch per state file: two would ship everything twice and
  // overwrite each other's position.
  std::string holder;
  std::string lock_name = settings.state_path + ".lock";
  job->lock = LockFile(NativeFileName(lock_name), holder, error);
  if (!job->lock) {
    if (!error.empty()) {
      error = "cannot lock the state file " + settings.state_path + " (" + lock_name + "): " + error;
    } else {
      error = "the state file " + settings.state_path + " is in use by " +
              (holder.empty() ? std::string("another program") : holder) +
              ", another brenwatch on the same logs; give each its own --state";
    }
    return false;
  }
  StateLoad load = LoadShipState(settings.state_path, job->start, error);
  if (load == StateLoad::kBroken) return false;
  job->feed = std::make_unique<FollowerFeed>(source);
  Follower& follower = job->feed->follower;
  if (load == StateLoad::kLoaded) {
    follower.StartAt(job->start.position);
  } else if (once) {
    follower.StartAtFirst();
  } else {
    if (from_start) {
      follower.StartAtBeginning();
    } else {
      follower.StartAtEnd();
    }
    // Where following begins is saved at once: a brenwatch restarted before
    // its first batch was taken (a database away since the start) goes on
    // from here instead of skipping to the logs' new end. It is the
    // follower's own position, a line end, also when no log exists yet.
    job->start.position = follower.Position();
    if (!SaveShipState(settings.state_path, job->start, error)) return false;
  }
  job->http = MakeHttpClient(&stop_);
  job_ = std::move(job);
  return true;
}

void Shipment::Start() {
  if (!job_ || thread_.joinable()) return;
  thread_ = std::thread([this] {
    Shipper shipper(
        *job_->feed, *job_->http, SystemShipClock(), job_->settings, job_->start,
        [](const std::string& text) { std::fprintf(stderr, "brenwatch: %s\n", text.c_str()); });
    status_ = shipper.Run(stop_);
    done_ = true;
  });
}

void Shipment::Stop() {
  stop_ = true;
}

int Shipment::Finish() {
  if (thread_.joinable()) thread_.join();
  return status_;
}

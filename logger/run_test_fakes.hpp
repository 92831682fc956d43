#pragma once
// Stand-ins for the clock, the console, the port and the log file, so the
// logger's run routines can be driven pass by pass in unit tests.
#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "logger/exit_codes.hpp"
#include "logger/functions.hpp"
#include "logger/globals.hpp"
#include "logger/port_watch.hpp"
#include "services/console/console.hpp"
#include "services/files/files.hpp"
#include "services/serial/serial_port.hpp"
#include "services/time/clock.hpp"

class FakeClock final : public Clock {
 public:
  LocalTime Now() override { return now; }
  // Time moves a little on every look, so a keyboard check that is rationed
  // by time still happens.
  int64_t MonotonicMicros() override { return micros += 1000; }
  void SleepMs(int ms) override {
    if (ms > 0) {
      micros += int64_t{ms} * 1000;
      slept_ms += ms;
      sleeps.push_back(ms);
    }
  }
  void Set(int year, int month, int day, int hour, int minute, int second) {
    now = LocalTime{year, month, day, hour, minute, second, true};
  }

  LocalTime now{2013, 10, 8, 14, 5, 9, true};
  int64_t micros = 1000000;
  int64_t slept_ms = 0;
  std::vector<int> sleeps;
};

class FakeConsole final : public ConsoleDevice {
 public:
  void Write(std::string_view bytes) override { out.append(bytes); }
  void CollectKeys(KeyBuffer& keys) override {
    for (int code : ready) keys.Push(code);
    ready.clear();
  }
  std::vector<int> ready;  // keys that are typed by now
  std::string out;
};

// A device on the port: a script of received bytes, with keys typed at
// chosen points of it. Once the script is done the line stays idle for a
// while and then sends EOT, so a test that forgets an ending still ends.
class FakePort final : public PortChannel {
 public:
  struct Step {
    enum Kind { kBytes, kKeys, kReadError, kUnknownStatus, kHangUp } kind;
    std::string bytes;  // kBytes
    std::vector<int> keys;
    int error = 0;
  };

  explicit FakePort(FakeConsole* console) : console_(console) {}

  FakePort& Bytes(std::string_view b) {
    script_.push_back({Step::kBytes, std::string(b), {}, 0});
    return *this;
  }
  FakePort& Keys(std::vector<int> k) {
    script_.push_back({Step::kKeys, {}, std::move(k), 0});
    return *this;
  }
  FakePort& ReadError(int n) {
    script_.push_back({Step::kReadError, {}, {}, n});
    return *this;
  }
  // The device hangs up: from here on the status cannot be read and the
  // port reports itself lost.
  FakePort& HangUp() {
    script_.push_back({Step::kHangUp, {}, {}, 0});
    return *this;
  }
  FakePort& UnknownStatus() {
    script_.push_back({Step::kUnknownStatus, {}, {}, 0});
    return *this;
  }

  int PortAtEnd() override {
    ++at_end_calls;
    Trim();
    if (script_.empty()) {
      if (++idle_after_script > kIdleLimit) {
        script_.push_back({Step::kBytes, "\x04", {}, 0});
        return 0;
      }
      return 1;
    }
    Step& s = script_.front();
    switch (s.kind) {
      case Step::kKeys:
        for (int k : s.keys) console_->ready.push_back(k);
        script_.pop_front();
        return 1;
      case Step::kUnknownStatus:
        script_.pop_front();
        return -1;
      case Step::kHangUp:
        return -1;
      default:
        return 0;
    }
  }
  int PortBytesWaiting(int64_t& count) override {
    Trim();
    count = !script_.empty() && script_.front().kind == Step::kBytes
                ? static_cast<int64_t>(script_.front().bytes.size())
                : 0;
    return 0;
  }
  int PortRead(char* buffer, size_t count, size_t& received) override {
    ++reads;
    received = 0;
    Trim();
    if (script_.empty()) return 0;
    Step& s = script_.front();
    if (s.kind == Step::kReadError) {
      script_.pop_front();
      return s.error;
    }
    if (s.kind == Step::kHangUp) return 3;
    if (s.kind != Step::kBytes) return 0;
    while (received < count && !s.bytes.empty()) {
      buffer[received++] = s.bytes.front();
      s.bytes.erase(0, 1);
    }
    return 0;
  }
  bool PortLost() override { return !script_.empty() && script_.front().kind == Step::kHangUp; }
  int PortWrite(const char* data, size_t count) override {
    sent.append(data, count);
    return write_result;
  }
  // A device that takes at most `take_budget` more bytes (-1: all).
  int PortWriteSome(const char* data, size_t count, size_t& taken) override {
    taken = take_budget < 0 ? count : std::min(count, static_cast<size_t>(take_budget));
    if (take_budget >= 0) take_budget -= static_cast<long>(taken);
    sent.append(data, taken);
    return write_result;
  }
  int Write(std::string_view bytes) override { return PortWrite(bytes.data(), bytes.size()); }
  int Close() override {
    ++closes;
    return close_result;
  }

  static constexpr int kIdleLimit = 1000;
  std::string sent;  // what the device received
  int write_result = 0;
  long take_budget = -1;
  int close_result = 0;
  int closes = 0;
  int reads = 0;
  int at_end_calls = 0;
  int idle_after_script = 0;

 private:
  void Trim() {
    while (!script_.empty() && script_.front().kind == Step::kBytes &&
           script_.front().bytes.empty()) {
      script_.pop_front();
    }
  }
  FakeConsole* console_;
  std::deque<Step> script_;
};

// A log file that keeps what reaches it and can be told to fail.
class FakeLogFile final : public Channel {
 public:
  int Write(std::string_view bytes) override {
    if (write_result == 0) pending.append(bytes);
    ++writes;
    return write_result;
  }
  int Flush() override {
    ++flushes;
    if (flush_result == 0) {
      written += pending;
      pending.clear();
    }
    return flush_result;
  }
  int Close() override {
    // The file number frees the fake: what it was given survives in `given`.
    if (given) *given = written + pending;
    if (close_result == 0) written += pending;
    pending.clear();
    return close_result;
  }
  std::string* given = nullptr;
  std::string written;  // what reached the system
  std::string pending;
  int writes = 0;
  int flushes = 0;
  int write_result = 0;
  int flush_result = 0;
  int close_result = 0;
};

// Installs the fakes for one test and takes them down again.
class RunFakes {
 public:
  RunFakes() : port(new FakePort(&console)) {
    SetClock(&clock);
    SetConsoleDevice(&console);
    CloseAllFiles();
    Settings = SettingsRecord{};
    INITALIZEGLOBALS();
    while (!PollKey().empty()) {
    }
    InstallChannel(kPortFileNumber, std::unique_ptr<Channel>(port));
    console.out.clear();
  }
  ~RunFakes() {
    SetPortOpener(nullptr);
    CloseAllFiles();
    SetConsoleDevice(nullptr);
    SetClock(nullptr);
  }
  // Puts a fake log file on the log file number and turns logging on.
  FakeLogFile& LogToFake(std::string name = "Therm0000.txt") {
    log = new FakeLogFile;
    InstallChannel(kLogFileNumber, std::unique_ptr<Channel>(log));
    Settings.LogToFile = 1;
    Settings.FileStr = std::move(name);
    return *log;
  }

  FakeClock clock;
  FakeConsole console;
  FakePort* port;  // owned by its file number
  FakeLogFile* log = nullptr;
};

#include "services/idle/idle_wait.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "services/console/console.hpp"
#include "services/files/files.hpp"
#include "services/serial/serial_port.hpp"
#include "services/time/clock.hpp"
#include "tests/support/process.hpp"

namespace {

constexpr int kPort = 2;

class RecordingClock : public Clock {
 public:
  LocalTime Now() override { return {}; }
  int64_t MonotonicMicros() override { return SystemClock().MonotonicMicros(); }
  void SleepMs(int ms) override { sleeps.push_back(ms); }
  std::vector<int> sleeps;
};

class StubConsole : public ConsoleDevice {
 public:
  explicit StubConsole(int wait_descriptor) : wait_descriptor_(wait_descriptor) {}
  void Write(std::string_view) override {}
  void CollectKeys(KeyBuffer& keys) override {
    for (int code : pending) keys.Push(code);
    pending.clear();
  }
  int KeyWaitDescriptor() override { return wait_descriptor_; }
  std::vector<int> pending;

 private:
  int wait_descriptor_;
};

class IdleWaitTest : public ::testing::Test {
 protected:
  void TearDown() override {
    CloseAllFiles();
    SetConsoleDevice(nullptr);
    SetClock(nullptr);
  }
  void OpenPortOn(const Pty& pty) {
    ASSERT_EQ(OpenSerial(kPort, pty.slave_path() + ":9600,N,8,1,CS0,DS0,CD0"), 0);
  }
  static int64_t ElapsedMs(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 since)
        .count();
  }
};

TEST_F(IdleWaitTest, PlainSleepWhereNothingCanBeWatched) {
  RecordingClock clock;
  SetClock(&clock);
  Pty pty;
  OpenPortOn(pty);
  StubConsole cannot_watch(ConsoleDevice::kCannotWatch);
  SetConsoleDevice(&cannot_watch);
  IdleWait(kPort, 25, 1000);
  // No port at that number: sleep too.
  StubConsole no_keys(ConsoleDevice::kNoKeysComing);
  SetConsoleDevice(&no_keys);
  IdleWait(kPort + 1, 25, 1000);
  EXPECT_EQ(clock.sleeps, (std::vector<int>{25, 25}));
}

TEST_F(IdleWaitTest, KeysAlreadyReadAreNotKeptWaiting) {
  RecordingClock clock;
  SetClock(&clock);
  Pty pty;
  OpenPortOn(pty);
  StubConsole console(ConsoleDevice::kNoKeysComing);
  console.pending = {'a', 'b'};
  SetConsoleDevice(&console);
  ASSERT_EQ(PollKey(), "a");
  IdleWait(kPort, 25, 1000);
  EXPECT_EQ(clock.sleeps, (std::vector<int>{25}));
}

TEST_F(IdleWaitTest, EndsWhenAByteArrivesAndAtTheLatestAfterTheLongestWait) {
  Pty pty;
  OpenPortOn(pty);
  StubConsole console(ConsoleDevice::kNoKeysComing);
  SetConsoleDevice(&console);

  auto start = std::chrono::steady_clock::now();
  IdleWait(kPort, 25, 200);
  EXPECT_GE(ElapsedMs(start), 150);
  EXPECT_EQ(AtEnd(kPort), 1);

  start = std::chrono::steady_clock::now();
  std::thread device([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    pty.Write("7");
  });
  IdleWait(kPort, 25, 10000);
  device.join();
  EXPECT_LT(ElapsedMs(start), 5000);
  EXPECT_EQ(AtEnd(kPort), 0);
}

TEST_F(IdleWaitTest, EndsWhenTheKeyboardTurnsReadable) {
  Pty pty;
  OpenPortOn(pty);
  Pty keyboard;
  int keys = ::open(keyboard.slave_path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(keys, 0);
  StubConsole console(keys);
  SetConsoleDevice(&console);
  auto start = std::chrono::steady_clock::now();
  std::thread typist([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    keyboard.Write("k");
  });
  IdleWait(kPort, 25, 10000);
  typist.join();
  EXPECT_LT(ElapsedMs(start), 5000);
  ::close(keys);
}

// A few bytes are the start of a burst on a slow line: the rest of the pause
// is slept out. Hundreds already waiting are a flood: no sleep at all.
TEST_F(IdleWaitTest, SleepsOutThePauseOnlyForASmallBurst) {
  RecordingClock clock;
  SetClock(&clock);
  StubConsole console(ConsoleDevice::kNoKeysComing);
  SetConsoleDevice(&console);
  for (size_t bytes : {size_t{1}, size_t{4096}}) {
    Pty pty;
    OpenPortOn(pty);
    pty.Write(std::string(bytes, '7'));
    int64_t waiting = 0;
    for (int i = 0; i < 200 && static_cast<size_t>(waiting) < bytes; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      BytesWaiting(kPort, waiting);
    }
    clock.sleeps.clear();
    IdleWait(kPort, 25, 1000);
    EXPECT_EQ(clock.sleeps.size(), bytes == 1 ? 1u : 0u) << bytes;
    ClosePort(kPort);
  }
}

}  // namespace

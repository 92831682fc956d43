#include "services/console/console.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "services/console/key_decoder.hpp"
#include "services/time/clock.hpp"

namespace {

class FakeClock final : public Clock {
 public:
  LocalTime Now() override { return {}; }
  int64_t MonotonicMicros() override { return micros; }
  void SleepMs(int ms) override {
    sleeps.push_back(ms);
    micros += int64_t{ms} * 1000;
  }
  int64_t Ms() const { return micros / 1000; }

  int64_t micros = 0;
  std::vector<int> sleeps;
};

// Keys typed at given times; lines written kept whole.
class FakeConsole final : public ConsoleDevice {
 public:
  explicit FakeConsole(FakeClock& clock) : clock_(clock) {}
  void Write(std::string_view bytes) override { written.append(bytes); }
  void CollectKeys(KeyBuffer& keys) override {
    ++collects;
    while (next_ < typed.size() && typed[next_].first <= clock_.Ms()) {
      keys.Push(typed[next_++].second);
    }
  }
  bool KeysExhausted() override { return ends && next_ == typed.size(); }

  std::vector<std::pair<int64_t, int>> typed;  // (ms, code)
  bool ends = false;
  std::string written;
  int collects = 0;

 private:
  FakeClock& clock_;
  size_t next_ = 0;
};

class ConsoleTest : public ::testing::Test {
 protected:
  ConsoleTest() : console_(clock_) {
    SetClock(&clock_);
    SetConsoleDevice(&console_);
  }
  ~ConsoleTest() override {
    SetConsoleDevice(nullptr);
    SetClock(nullptr);
  }
  FakeClock clock_;
  FakeConsole console_;
};

TEST_F(ConsoleTest, PrintLineWritesTheBytesThenCrLfInOneWrite) {
  PrintLine("72.5");
  PrintLine("");
  PrintLine(std::string("a\0b\xE9\t\x07", 6));
  EXPECT_EQ(console_.written, std::string("72.5\r\n\r\na\0b\xE9\t\x07\r\n", 16));
}

TEST_F(ConsoleTest, PollKeyGivesKeysOldestFirstInTheirStringForm) {
  console_.typed = {{0, 'a'},
                    {0, 27},
                    {0, ExtendedKey(72)},
                    {0, ExtendedKey(59)},
                    {0, 255},
                    {0, ExtendedKey(134)}};
  const std::vector<std::string> expected = {"a", "\x1B", "\xFFH", "\xFF;", "\xFF", "\xFF\x86"};
  for (const std::string& key : expected) EXPECT_EQ(PollKey(), key);
  EXPECT_EQ(PollKey(), "");
}

TEST(KeyCodeTest, IsTheFirstByteUnsigned) {
  EXPECT_EQ(KeyCode(""), 0);
  EXPECT_EQ(KeyCode("a"), 97);
  EXPECT_EQ(KeyCode("\xFFH"), 255);
  EXPECT_EQ(KeyCode("\x80"), 128);
  EXPECT_EQ(KeyCode("\x1A"), 26);
}

TEST_F(ConsoleTest, PollKeyAsksTheDeviceAtMostOnceAMillisecond) {
  for (int i = 0; i < 1000; ++i) EXPECT_EQ(PollKey(), "");
  EXPECT_EQ(console_.collects, 1);
  clock_.micros += 999;
  PollKey();
  EXPECT_EQ(console_.collects, 1);
  clock_.micros += 1;
  PollKey();
  EXPECT_EQ(console_.collects, 2);
}

TEST_F(ConsoleTest, KeysAlreadyCollectedAreGivenWithoutAskingAgain) {
  console_.typed = {{0, 'x'}, {0, 'y'}};
  EXPECT_EQ(PollKey(), "x");
  EXPECT_EQ(PollKey(), "y");
  EXPECT_EQ(console_.collects, 1);
}

TEST_F(ConsoleTest, AnExhaustedDeviceIsNotAskedAgain) {
  console_.typed = {{0, 'q'}};
  console_.ends = true;
  EXPECT_EQ(PollKey(), "q");
  int collects = console_.collects;
  for (int i = 0; i < 10; ++i) {
    clock_.micros += 5000;
    EXPECT_EQ(PollKey(), "");
    Pause(200);
  }
  EXPECT_EQ(console_.collects, collects);
}

TEST_F(ConsoleTest, PauseEndsWithinASliceOfAKeyAndLeavesTheKey) {
  console_.typed = {{300, 'k'}};
  Pause(1000);
  EXPECT_EQ(clock_.Ms(), 300);
  EXPECT_EQ(clock_.sleeps, std::vector<int>(6, 50));
  EXPECT_EQ(PollKey(), "k");
}

TEST_F(ConsoleTest, PauseWithoutKeysSleepsInFiftyMillisecondSlices) {
  struct Case {
    int ms;
    std::vector<int> sleeps;
  };
  std::vector<int> thousand(20, 50);
  const Case cases[] = {
      {1000, thousand}, {100, {50, 50}}, {130, {50, 50, 30}}, {151, {50, 50, 50, 1}}, {99, {99}},
      {25, {25}},       {0, {0}},
  };
  for (const Case& c : cases) {
    clock_.sleeps.clear();
    Pause(c.ms);
    EXPECT_EQ(clock_.sleeps, c.sleeps) << "Pause(" << c.ms << ")";
  }
}

TEST_F(ConsoleTest, ShortPausesIgnoreKeys) {
  console_.typed = {{0, 'a'}};
  Pause(25);
  Pause(99);
  EXPECT_EQ(clock_.sleeps, (std::vector<int>{25, 99}));
  EXPECT_EQ(console_.collects, 0);
  EXPECT_EQ(PollKey(), "a");
}

TEST_F(ConsoleTest, OtherNegativePausesReturnAtOnce) {
  console_.typed = {{0, 'a'}};
  Pause(-2);
  Pause(-1000);
  EXPECT_TRUE(clock_.sleeps.empty());
  EXPECT_EQ(console_.collects, 0);
}

TEST_F(ConsoleTest, WaitForKeyPollsUntilAKeyAndLeavesIt) {
  console_.typed = {{120, 'z'}};
  Pause(-1);
  EXPECT_EQ(clock_.Ms(), 150);
  EXPECT_EQ(PollKey(), "z");
}

TEST_F(ConsoleTest, WaitForKeyReturnsAtOnceWhenNoKeyCanCome) {
  console_.ends = true;
  Pause(-1);
  EXPECT_TRUE(clock_.sleeps.empty());

  // The last keys still end a wait each time they arrive.
  console_.typed = {{0, 'a'}};
  Pause(-1);
  Pause(-1);
  EXPECT_TRUE(clock_.sleeps.empty());
  EXPECT_EQ(PollKey(), "a");
}

TEST_F(ConsoleTest, AKeyTakenClearsTheHitSoTheNextPauseRunsFull) {
  // A second key typed before the first was read does not shorten the wait.
  console_.typed = {{0, '5'}, {0, '2'}};
  EXPECT_EQ(PollKey(), "5");
  Pause(1000);
  EXPECT_EQ(clock_.Ms(), 1000);
  EXPECT_EQ(PollKey(), "2");
}

TEST_F(ConsoleTest, PauseClearsTheHitItEndedOn) {
  console_.typed = {{0, 'a'}};
  Pause(1000);
  EXPECT_EQ(clock_.Ms(), 0);
  Pause(200);
  EXPECT_EQ(clock_.Ms(), 200);
  EXPECT_EQ(PollKey(), "a");
}

TEST_F(ConsoleTest, AFullBufferDropsTheOldestKeys) {
  for (int i = 0; i < 600; ++i) console_.typed.push_back({0, 1 + i % 200});
  std::vector<int> got;
  for (std::string key = PollKey(); !key.empty(); key = PollKey()) got.push_back(KeyCode(key));
  ASSERT_EQ(got.size(), 511u);
  EXPECT_EQ(got.front(), 1 + 89 % 200);
  EXPECT_EQ(got.back(), 1 + 599 % 200);
}

TEST_F(ConsoleTest, ChangingTheDeviceDropsItsKeys) {
  console_.typed = {{0, 'a'}, {0, 'b'}};
  EXPECT_EQ(PollKey(), "a");
  FakeConsole other(clock_);
  SetConsoleDevice(&other);
  EXPECT_EQ(PollKey(), "");
  EXPECT_EQ(other.collects, 1);
}

TEST(KeyBufferTest, RingKeepsTheNewest511AndTracksTheHit) {
  KeyBuffer buffer;
  EXPECT_FALSE(buffer.hit);
  // Go round the ring more than once so wrapping is exercised.
  for (int round = 0; round < 3; ++round) {
    for (int code = 1; code <= 700; ++code) buffer.Push(code);
    EXPECT_TRUE(buffer.hit);
    EXPECT_EQ(buffer.Size(), KeyBuffer::kCapacity);
    int code = 0;
    for (int expected = 190; expected <= 700; ++expected) {
      ASSERT_TRUE(buffer.Pop(code));
      ASSERT_EQ(code, expected);
    }
    EXPECT_FALSE(buffer.hit);
    EXPECT_FALSE(buffer.Pop(code));
    EXPECT_TRUE(buffer.Empty());
  }
}

}  // namespace

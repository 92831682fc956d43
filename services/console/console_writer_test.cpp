// The output thread: the caller never waits for a console that stops, and a
// console gone for good ends the output without ending anything else.
#include "services/console/console_writer.hpp"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>

namespace {

// A console that takes nothing until it is let go.
struct StalledConsole {
  std::mutex mutex;
  std::condition_variable released;
  bool open = false;
  bool gone = false;
  std::string shown;

  bool Take(std::string_view bytes) {
    std::unique_lock<std::mutex> lock(mutex);
    released.wait(lock, [this] { return open || gone; });
    if (gone) return false;
    shown.append(bytes);
    return true;
  }
  void Release(bool as_gone) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      (as_gone ? gone : open) = true;
    }
    released.notify_all();
  }
};

TEST(ConsoleWriter, AStalledConsoleNeverHoldsTheCallerAndLinesArriveAfterwards) {
  StalledConsole console;
  ConsoleWriter writer([&](std::string_view b) { return console.Take(b); }, 1000);
  writer.Write("Turn Debug mode on\r\n", false);
  // Far more than the bound: were a write to wait, this would hang.
  for (int i = 0; i < 100000; ++i) writer.Write(std::to_string(i) + "\r\n", true);
  writer.Write("Normal exit, User pressed exit key\r\n", false);
  EXPECT_FALSE(writer.Drain(10));
  console.Release(false);
  EXPECT_TRUE(writer.Drain(60000));
  EXPECT_EQ(console.shown.find("Turn Debug mode on\r\n***Warning*** "), 0u);
  EXPECT_NE(console.shown.find(" received lines not shown"), std::string::npos);
  EXPECT_NE(console.shown.find("99999\r\nNormal exit, User pressed exit key\r\n"),
            std::string::npos);
  EXPECT_LT(console.shown.size(), 10000u);
}

TEST(ConsoleWriter, AConsoleGoneForGoodEndsTheOutputOnly) {
  StalledConsole console;
  ConsoleWriter writer([&](std::string_view b) { return console.Take(b); });
  writer.Write("1\r\n", true);
  console.Release(true);
  EXPECT_TRUE(writer.Drain(60000));
  EXPECT_TRUE(writer.Gone());
  writer.Write("2\r\n", false);
  EXPECT_TRUE(writer.Drain(60000));
  EXPECT_EQ(console.shown, "");
}

}  // namespace

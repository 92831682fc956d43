// The queue between the program and a console that may stop taking output:
// what is kept, what is dropped, and the line that says so.
#include "services/console/console_queue.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string TakeAll(ConsoleQueue& queue) {
  std::string all, chunk;
  while (queue.Take(chunk)) all += chunk;
  return all;
}

std::string Echo(int n) {
  return std::to_string(n) + "\r\n";
}

TEST(ConsoleQueue, KeepsOrderWhileWithinItsBound) {
  ConsoleQueue queue(1000);
  queue.Push(Echo(1), true);
  queue.Push("Turn Debug mode on\r\n", false);
  queue.Push(Echo(2), true);
  EXPECT_EQ(TakeAll(queue), "1\r\nTurn Debug mode on\r\n2\r\n");
  EXPECT_TRUE(queue.Empty());
}

TEST(ConsoleQueue, DropsOldestEchoesKeepsOtherLinesAndCountsWhatWentMissing) {
  // Blocks of echoes go together, so a bound below one block drops whole
  // blocks: only what the count says is missing is missing.
  ConsoleQueue queue(100);
  queue.Push("help text\r\n", false);
  std::string expected_tail;
  for (int i = 0; i < 50000; ++i) queue.Push(Echo(i), true);
  queue.Push("last\r\n", false);
  std::string all = TakeAll(queue);
  // The notice stands where the dropped lines stood.
  const std::string kNotice = "help text\r\n***Warning*** ";
  ASSERT_EQ(all.rfind(kNotice, 0), 0u) << all.substr(0, 100);
  uint64_t dropped = std::stoull(all.substr(kNotice.size()));
  EXPECT_GT(dropped, 0u);
  // Every line not dropped is still there, in order, and the kept lines too.
  std::string rest = "help text\r\n" + all.substr(all.find("\r\n", kNotice.size()) + 2);
  EXPECT_EQ(rest.substr(rest.size() - 6), "last\r\n");
  size_t shown = 0;
  for (size_t at = 0; (at = rest.find("\r\n", at)) != std::string::npos; at += 2) ++shown;
  EXPECT_EQ(shown - 2 + dropped, 50000u);
  EXPECT_NE(rest.find(Echo(49999)), std::string::npos);
}

TEST(ConsoleQueue, TheNoticeComesOnceAndClearForgetsEverything) {
  ConsoleQueue queue(10);
  for (int i = 0; i < 20000; ++i) queue.Push(Echo(i), true);
  std::string first;
  ASSERT_TRUE(queue.Take(first));
  EXPECT_EQ(first.find("***Warning***"), 0u);
  std::string rest = TakeAll(queue);
  EXPECT_EQ(rest.find("***Warning***"), std::string::npos);
  queue.Push(Echo(1), true);
  queue.Clear();
  EXPECT_TRUE(queue.Empty());
  std::string none;
  EXPECT_FALSE(queue.Take(none));
}

}  // namespace

#pragma once
// Console output written by a thread of its own, so a console that stops
// taking output (a pipe nobody reads, a stalled terminal, a selection in a
// console window) holds up that thread and never the caller.
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "services/console/console_queue.hpp"

class ConsoleWriter {
 public:
  // Writes all of `bytes` however long it takes; false when the console is
  // gone for good (a closed pipe or terminal): nothing is written after that.
  using Sink = std::function<bool(std::string_view bytes)>;
  static constexpr size_t kEchoLimit = 1024 * 1024;

  // `on_start` runs first on the new thread (to keep signals off it).
  explicit ConsoleWriter(Sink sink, size_t echo_limit = kEchoLimit,
                         std::function<void()> on_start = {},
                         NotShownNotice notice = NotShownLine);
  // Waits for the thread: only for a sink that returns.
  ~ConsoleWriter();
  ConsoleWriter(const ConsoleWriter&) = delete;
  ConsoleWriter& operator=(const ConsoleWriter&) = delete;

  // Never waits for the console.
  void Write(std::string_view bytes, bool echo);
  // Waits at most `ms` until everything queued is written; true when it was.
  bool Drain(int ms);
  bool Gone();

 private:
  void Run();

  Sink sink_;
  std::function<void()> on_start_;
  std::mutex mutex_;
  std::condition_variable work_;
  std::condition_variable idle_;
  ConsoleQueue queue_;
  bool writing_ = false;
  bool gone_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

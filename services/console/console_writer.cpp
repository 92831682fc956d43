#include "services/console/console_writer.hpp"

#include <chrono>
#include <utility>

ConsoleWriter::ConsoleWriter(Sink sink, size_t echo_limit, std::function<void()> on_start,
                             NotShownNotice notice)
    : sink_(std::move(sink)), on_start_(std::move(on_start)), queue_(echo_limit, notice) {}

ConsoleWriter::~ConsoleWriter() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  work_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void ConsoleWriter::Write(std::string_view bytes, bool echo) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (gone_) return;
    queue_.Push(bytes, echo);
    // Started with the first line: a program that prints nothing has no
    // thread to end.
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  }
  work_.notify_one();
}

bool ConsoleWriter::Drain(int ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  return idle_.wait_for(lock, std::chrono::milliseconds(ms),
                        [this] { return gone_ || (queue_.Empty() && !writing_); });
}

bool ConsoleWriter::Gone() {
  std::lock_guard<std::mutex> lock(mutex_);
  return gone_;
}

void ConsoleWriter::Run() {
  if (on_start_) on_start_();
  std::string chunk;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    work_.wait(lock, [this] { return stopping_ || !queue_.Empty(); });
    if (!queue_.Take(chunk)) {
      if (stopping_) return;
      continue;
    }
    writing_ = true;
    lock.unlock();
    bool written = sink_(chunk);
    lock.lock();
    writing_ = false;
    if (!written) {
      // Echoing ends; the run goes on.
      gone_ = true;
      queue_.Clear();
    }
    if (gone_ || queue_.Empty()) idle_.notify_all();
  }
}

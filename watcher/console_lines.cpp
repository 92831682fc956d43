#include "watcher/console_lines.hpp"

#include <cstdio>

#include "services/console/stream_output.hpp"
#include "services/process/stop_request.hpp"

namespace {

// Some thousand lines: a minute of a storm of events.
constexpr size_t kQueueBytes = 256 * 1024;
constexpr int kFinishMs = 3000;
// A closing console or a shutdown leaves a few seconds in all.
constexpr int kUrgentFinishMs = 300;

bool queued = false;

std::string NotShown(uint64_t count) {
  return "brenwatch: " + std::to_string(count) +
         " lines not shown: the output did not take them in time\n";
}

}  // namespace

void QueueConsoleLines() {
  SetStreamQueues(kQueueBytes, NotShown);
  queued = true;
}

void SayEventLine(const std::string& line) {
  if (queued) {
    QueueStreamText(StandardStream::kOutput, line + '\n');
    return;
  }
  std::fputs((line + '\n').c_str(), stdout);
  std::fflush(stdout);
}

void SayProblem(const std::string& text) {
  if (queued) {
    QueueStreamText(StandardStream::kError, "brenwatch: " + text + '\n');
    return;
  }
  std::fprintf(stderr, "brenwatch: %s\n", text.c_str());
  std::fflush(stderr);
}

void FinishConsoleLines() {
  if (queued) DrainStreams(StopIsUrgent() ? kUrgentFinishMs : kFinishMs);
}

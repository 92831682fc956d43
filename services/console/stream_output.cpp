#include "services/console/stream_output.hpp"

#include <mutex>

#include "services/console/console_writer.hpp"
#include "services/console/stream_sink.hpp"

namespace {

constexpr size_t kDefaultLimit = 256 * 1024;

std::mutex mutex;
size_t queue_limit = kDefaultLimit;
NotShownNotice queue_notice = NotShownLine;
// Never freed: at exit a writer may still wait in a write.
ConsoleWriter* writers[2] = {nullptr, nullptr};

ConsoleWriter& Writer(StandardStream stream) {
  std::lock_guard<std::mutex> lock(mutex);
  ConsoleWriter*& writer = writers[stream == StandardStream::kOutput ? 0 : 1];
  if (writer == nullptr) {
    writer = new ConsoleWriter(StreamSink(stream), queue_limit, OnStreamWriterStart, queue_notice);
  }
  return *writer;
}

}  // namespace

void SetStreamQueues(size_t limit, NotShownNotice notice) {
  std::lock_guard<std::mutex> lock(mutex);
  queue_limit = limit;
  queue_notice = notice;
}

void QueueStreamText(StandardStream stream, std::string_view text) {
  // All of it may be dropped: what the loop says must never hold it.
  Writer(stream).Write(text, true);
}

bool DrainStreams(int ms) {
  ConsoleWriter* started[2];
  {
    std::lock_guard<std::mutex> lock(mutex);
    started[0] = writers[0];
    started[1] = writers[1];
  }
  bool drained = true;
  for (ConsoleWriter* writer : started) {
    if (writer != nullptr && !writer->Drain(ms)) drained = false;
  }
  return drained;
}

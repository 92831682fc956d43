#include <signal.h>
#include <unistd.h>

#include "services/console/stream_sink.hpp"
#include "services/exit/write_all_posix.hpp"

ConsoleWriter::Sink StreamSink(StandardStream stream) {
  int fd = stream == StandardStream::kOutput ? STDOUT_FILENO : STDERR_FILENO;
  return [fd](std::string_view bytes) { return WriteAll(fd, bytes.data(), bytes.size()); };
}

// Signals stay with the program's own thread; a reader gone away gives this
// thread EPIPE (its SIGPIPE stays blocked here) instead of ending the run.
void OnStreamWriterStart() {
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, nullptr);
}

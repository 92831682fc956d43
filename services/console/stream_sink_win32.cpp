#include <windows.h>

#include <string>

#include "services/console/stream_sink.hpp"
#include "services/exit/write_all_win32.hpp"

ConsoleWriter::Sink StreamSink(StandardStream stream) {
  DWORD which = stream == StandardStream::kOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
  return [which](std::string_view bytes) {
    std::string lines;
    lines.reserve(bytes.size() + bytes.size() / 32);
    for (char c : bytes) {
      if (c == '\n' && (lines.empty() || lines.back() != '\r')) lines.push_back('\r');
      lines.push_back(c);
    }
    return WriteAllToHandle(GetStdHandle(which), lines);
  };
}

void OnStreamWriterStart() {}

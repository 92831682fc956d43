#include <windows.h>

#include <string>

#include "services/console/stream_sink.hpp"

namespace {

bool WriteAllTo(HANDLE out, std::string_view bytes) {
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return false;
  while (!bytes.empty()) {
    DWORD written = 0;
    DWORD chunk = bytes.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size());
    if (!WriteFile(out, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

}  // namespace

ConsoleWriter::Sink StreamSink(StandardStream stream) {
  DWORD which = stream == StandardStream::kOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
  return [which](std::string_view bytes) {
    std::string lines;
    lines.reserve(bytes.size() + bytes.size() / 32);
    for (char c : bytes) {
      if (c == '\n' && (lines.empty() || lines.back() != '\r')) lines.push_back('\r');
      lines.push_back(c);
    }
    return WriteAllTo(GetStdHandle(which), lines);
  };
}

void OnStreamWriterStart() {}

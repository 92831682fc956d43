#include "stripper/marker.hpp"

#include "services/exit/runtime_error.hpp"
#include "services/files/line_stream.hpp"
#include "services/text/text_forms.hpp"
#include "stripper/progress.hpp"

int64_t FindLastMarker(const StripSettings& s) {
  RoutineScope scope("FINDMARKER", kModuleName);
  LineReader input;
  if (int error = input.Open(s.FileIn); error != 0) RaiseRuntimeError(error, -1);
  int64_t count = 0;
  int64_t last = 0;
  std::string_view line;
  while (input.Next(line)) {
    ++count;
    if (IsMarker(line)) last = count;
  }
  if (input.error() != 0) RaiseRuntimeError(input.error(), -1);
  input.Close();
  Progress(s, "Mark Line: " + IntText(last));
  return last;
}

void AppendMarker(const StripSettings& s) {
  RoutineScope scope("MARKFILE", kModuleName);
  LineWriter input(256);
  if (int error = input.OpenAppend(s.FileIn); error != 0) RaiseRuntimeError(error, -1);
  // A last line without its line end would swallow the marker.
  input.WriteText(input.CompletingLineEnd());
  input.WriteLine(kMarker);
  if (int error = input.Close(); error != 0) RaiseRuntimeError(error, -1);
  Progress(s, "File Marked");
}

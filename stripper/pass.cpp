#include "stripper/pass.hpp"

#include <string>
#include <string_view>

#include "services/console/console.hpp"
#include "services/exit/error_numbers.hpp"
#include "services/exit/runtime_error.hpp"
#include "services/text/text_forms.hpp"
#include "stripper/line_rules.hpp"
#include "stripper/progress.hpp"

namespace {

void ReportOpenFailure(std::string_view what, const std::string& name, int error) {
  PrintLine("");
  PrintLine("***ERROR*** Can not open " + std::string(what) + " file.");
  PrintLine("    " + name);
  PrintLine("    Error= " + IntText(error));
}

[[noreturn]] void WriteFailed() {
  RaiseRuntimeError(kFileIoError, -1);
}

}  // namespace

bool StripPass::Open(const StripSettings& s) {
  RoutineScope scope("OPENFILES", kModuleName);
  if (int error = input_.Open(s.FileIn); error != 0) {
    ReportOpenFailure("Input", s.FileIn, error);
    return false;
  }
  if (int error = output_.OpenAppend(s.FileOut); error != 0) {
    ReportOpenFailure("Output", s.FileOut, error);
    return false;
  }
  if (!s.SemiOut.empty()) {
    if (int error = stripped_file_.OpenAppend(s.SemiOut); error != 0) {
      ReportOpenFailure("Output", s.SemiOut, error);
      return false;
    }
    stripped_ = &stripped_file_;
    // One file named twice: two buffers would interleave it in blocks.
    if (stripped_file_.SameFileAs(output_)) {
      stripped_file_.Close();
      stripped_ = &output_;
    }
  }
  Progress(s, "files opened");
  return true;
}

void StripPass::Skip(int64_t lines, StripCounters& c) {
  std::string_view line;
  for (int64_t i = 0; i < lines && input_.Next(line); ++i) ++c.LineCount;
  c.LineCount = 0;
}

void StripPass::Run(const StripSettings& s, StripCounters& c) {
  RoutineScope scope("STRIPFILE", kModuleName);
  const bool all_lines = s.AllLines != kOff;
  const bool split_line = s.SplitLine != kOff;
  const bool retain = s.Retain != kOff;
  std::string_view line;
  while (input_.Next(line)) {
    LineVerdict verdict = SortLine(line, all_lines, split_line);
    switch (verdict.kind) {
      case LineKind::kBlank:
        ++c.BlankLines;
        if (retain && output_.WriteLine({}) != 0) WriteFailed();
        break;
      case LineKind::kSemicolon:
        ++c.SemiLines;
        if (stripped_ != nullptr && stripped_->WriteLine(verdict.stripped) != 0) WriteFailed();
        break;
      case LineKind::kCut:
        ++c.SemiLines;
        ++c.PartialLines;
        if (stripped_ != nullptr && stripped_->WriteLine(verdict.stripped) != 0) WriteFailed();
        if (output_.WriteLine(verdict.output) != 0) WriteFailed();
        break;
      case LineKind::kOrdinary:
        ++c.LineCount;
        if (output_.WriteLine(verdict.output) != 0) WriteFailed();
        break;
    }
  }
  // A read error would leave lines behind that a deletion or marker loses.
  if (input_.error() != 0) RaiseRuntimeError(input_.error(), -1);
  Progress(s, "files processed");
}

void StripPass::Close(bool sync) {
  RoutineScope scope("CLOSEFILES", kModuleName);
  input_.Close();
  if (int error = output_.Close(sync); error != 0) RaiseRuntimeError(error, -1);
  if (stripped_file_.is_open()) {
    if (int error = stripped_file_.Close(sync); error != 0) RaiseRuntimeError(error, -1);
  }
}

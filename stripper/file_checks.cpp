#include "stripper/file_checks.hpp"

#include <string>

#include "services/console/console.hpp"
#include "services/exit/runtime_error.hpp"
#include "services/files/ordinary_file.hpp"
#include "services/process/program_start.hpp"
#include "services/text/text_forms.hpp"

namespace {

// An existing output file: deleted, appended to, or refused.
bool ClearOutput(const StripSettings& s, const std::string& name) {
  if (name.empty() || !IsOrdinaryFile(name)) return true;
  if (s.OverWrite != kOff) {
    int error = DeleteFileNamed(name);
    if (error == 0) return true;
    PrintLine("");
    PrintLine("***ERROR*** Cannot delete existing output file");
    PrintLine("    " + name);
    PrintLine("    Error= " + IntText(error));
    return false;
  }
  if (s.AppendMode != kOff) return true;
  PrintLine("");
  PrintLine("***ERROR*** Output file exists.");
  PrintLine(" Overwrite option not specified.");
  PrintLine(" Append option not specified.");
  PrintLine("    " + name);
  PrintLine("");
  PrintLine(s.HelpText);
  return false;
}

// Writing to the input itself would destroy it while it is read.
bool RefuseInputAsOutput(const StripSettings& s, const std::string& name) {
  if (!SameFile(s.FileIn, name)) return false;
  PrintLine("");
  PrintLine("***ERROR*** Input and output are the same file");
  PrintLine("    " + name);
  return true;
}

}  // namespace

bool CheckFiles(const StripSettings& s) {
  RoutineScope scope("CHECKFILES", kModuleName);
  if (s.FileIn.empty()) {
    PrintLine("");
    PrintLine(s.HelpText);
    return false;
  }
  if (!IsOrdinaryFile(s.FileIn)) {
    PrintLine("");
    PrintLine("***ERROR*** Input file not found");
    PrintLine("");
    PrintLine(s.FileIn);
    return false;
  }
  if (s.FileOut.empty()) {
    PrintLine("");
    PrintLine("***ERROR*** No output file specified");
    PrintLine("");
    return false;
  }
  if (RefuseInputAsOutput(s, s.FileOut) || RefuseInputAsOutput(s, s.SemiOut)) return false;
  return ClearOutput(s, s.FileOut) && ClearOutput(s, s.SemiOut);
}

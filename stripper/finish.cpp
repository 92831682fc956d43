#include "stripper/finish.hpp"

#include "services/console/console.hpp"
#include "services/exit/runtime_error.hpp"
#include "services/files/files.hpp"
#include "services/process/program_start.hpp"
#include "services/text/text_forms.hpp"
#include "stripper/progress.hpp"

bool DeleteInput(const StripSettings& s) {
  RoutineScope scope("DELETEINPUT", kModuleName);
  int error = DeleteFileNamed(s.FileIn);
  if (error == 0) return true;
  PrintLine("");
  PrintLine("***ERROR*** Cannot delete input file");
  PrintLine("    " + s.FileIn);
  PrintLine("    Error= " + IntText(error));
  return false;
}

std::string CommandText(const StripSettings& s) {
  return s.PrgStr + " \"" + s.FileOut + "\"";
}

void StartNamedProgram(const StripSettings& s) {
  RoutineScope scope("EXECUTE", kModuleName);
  if (s.DebugMode != kOff) {
    PrintLine("Executing Program: ");
    Progress(s, CommandText(s));
  }
  // The program gets the name of the file that was written.
  StartProgram(s.PrgStr, s.PrgStr, NativeFileName(s.FileOut));
  PrintLine("***ERROR*** Execution failed:");
  PrintLine(CommandText(s));
}

#include "logger/globals.hpp"

SettingsRecord Settings;
CommandLine Arguments;

void SetCommandLine(int argc, const char* const* argv) {
  Arguments = CommandLine{};
  if (argc > 0 && argv[0]) Arguments.ProgramPath = argv[0];
  if (argc > 1 && argv[1]) Arguments.FirstArgument = argv[1];
  for (int i = 1; i < argc; ++i) {
    if (i > 1) Arguments.AllArguments += ' ';
    Arguments.AllArguments += argv[i] ? argv[i] : "";
  }
}

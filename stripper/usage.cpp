#include "stripper/usage.hpp"

#include <array>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 24> kUsage = {
    "Syntax: Quillcut.exe file1 file2 file3 [options]",
    "  file1 = input filename",
    "  file2 = output filename",
    "  file3 = output filename with stripped lines (optional)",
    "Options:",
    "    /O  = Overwrite any existing output file",
    "    /A  = Append to any existing output file (overrides /O)",
    "    /D  = Delete input file",
    "    /R  = Retain blank lines",
    "    /S  = Split lines at semicolon and delete trailing portion",
    "    /X  = Deletes all lines with semicolon regardless of location",
    "    /M  = Mark end of file with \";;--PROCESSED--;;\"",
    "          On next run seeks to last marker before processing",
    "    /E  = Execute program with output file",
    "          Program name is delimited by a collon",
    "          Example /E:\"full path\\MyProgram.exe\"",
    "    /V  = Verbose prints statistics before exiting",
    "",
    "    /?  = display help and exit",
    "",
    "All lines that begin with semicolons will be removed from oputput file",
    "Unless /R option is used all blank lines will also be removed from oputput file",
    "Trailing blanks are deleted in any case",
    "------Free software under the MIT License, released December 2026.------",
};

}  // namespace

std::string BuildHelpText() {
  std::string text;
  for (size_t i = 0; i < kUsage.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += kUsage[i];
  }
  return text;
}

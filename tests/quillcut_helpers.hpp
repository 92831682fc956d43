#pragma once
// Running the real quillcut in a scratch directory.
#include <string>
#include <vector>

#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"

namespace quillcut_test {

inline RunResult Quillcut(const TempDir& dir, std::vector<std::string> args,
                          std::string_view keys = {}) {
  args.insert(args.begin(), QUILLCUT_PATH);
  return RunProgram(args, keys, dir.path());
}

// Console lines as the program writes them: each ends in CR LF.
inline std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// The usage text as printed: its 24 lines.
inline std::string Usage() {
  return Lines({
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
  });
}

}  // namespace quillcut_test

#pragma once
// Running a helper program fed through a pipe, and the size of the terminal.
#include <string>
#include <string_view>
#include <vector>

struct ExternalRun {
  bool started = false;      // false: the program could not be found or run
  int status = -1;           // its exit status; 128 + signal when killed
  bool input_taken = false;  // it read the whole input
};

// Runs argv[0] (searched in PATH) with `input` on its standard input and
// its standard output and error ours or, when `output` or `error_output` is a
// descriptor (not -1), that one. Waits for its end.
ExternalRun RunWithInput(const std::vector<std::string>& argv, std::string_view input,
                         int output = -1, int error_output = -1);

// Columns and lines of the terminal on standard output; false when it is not
// a terminal or does not tell.
bool TerminalSize(int& columns, int& lines);

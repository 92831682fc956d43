#pragma once
// A whole brenreport run: the command line, the pass, every output.
#include <string>
#include <vector>

// The exit code (exit_codes.hpp); messages on standard error.
int RunReport(const std::vector<std::string>& args);

#pragma once
// The end of a run: deleting the input and handing the output to a program.
#include <string>

#include "stripper/settings.hpp"

// Deletes the input; false after a report (the run ends with 0).
bool DeleteInput(const StripSettings& settings);

// The command as the user is shown it: PrgStr "FileOut".
std::string CommandText(const StripSettings& settings);

// Starts PrgStr with the output file; returns only when that failed, after
// reporting it.
void StartNamedProgram(const StripSettings& settings);

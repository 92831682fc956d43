#pragma once
// The line filter's own file and process operations: deleting a file with the
// error numbers it reports, telling whether two names are one file, and
// starting a program in place of this one.
#include <string>
#include <string_view>

// Removes the file; an empty name deletes nothing. 0 on success, 8 when not
// permitted, 2 when missing, 3 when access is denied, 1 for any other cause.
int DeleteFileNamed(std::string_view name);

// The error number a failed delete reports for a system error code.
int DeleteErrorNumber(int system_error);

// True when both names lead to one existing file (same device and inode,
// links followed), however differently they are written.
bool SameFile(std::string_view first, std::string_view second);

// Runs `path` (no search of PATH) in place of this process, with `argv0` and
// `argument` as its only arguments. Everything buffered is written out first.
// Returns -1 when the program could not be started.
int StartProgram(std::string_view path, const std::string& argv0, const std::string& argument);

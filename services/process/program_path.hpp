#pragma once
#include <string>

// The running executable's own path with every symlink resolved, so a program
// found through PATH or started by a link looks beside its real file.
// `started_as` (argv[0]) is the answer when the system cannot tell.
std::string RealProgramPath(const std::string& started_as);

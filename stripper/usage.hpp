#pragma once
#include <string>

// The usage text: its lines joined by CR LF, no line end after the last.
std::string BuildHelpText();

// Placeholder bodies until the port, loop and records land.
#include "logger/functions.hpp"
#include "logger/globals.hpp"

int8_t OPENCOMMUNICATIONS() { return 0; }
int8_t COMMUNICATIONS() { return 0; }
int8_t PROCESSDATA(std::string& line) { line.clear(); return 0; }
int8_t CHECKTIME() { return 0; }
int8_t CLOSECOMMUNICATIONS() { return static_cast<int8_t>(Settings.ExitCode); }

// Ends itself by the fault its argument names, with the programs' own
// handlers installed, so the end-to-end set can see the report and the exit
// status that a processor fault gives on Windows.
#include <cstring>

#include "services/exit/runtime_error.hpp"

namespace {

volatile int zero = 0;
int* volatile nowhere = nullptr;

int Deeper(int depth) {
  volatile char frame[4096];
  frame[0] = static_cast<char>(depth);
  if (depth == -1) return 0;
  return Deeper(depth + 1) + frame[0];
}

}  // namespace

int main(int argc, char** argv) {
  InstallSignalHandlers();
  RoutineScope scope("PROBE", "FaultProbe");
  const char* fault = argc > 1 ? argv[1] : "";
  if (std::strcmp(fault, "access") == 0) *nowhere = 1;
  if (std::strcmp(fault, "divide") == 0) return 1000 / zero;
  if (std::strcmp(fault, "stack") == 0) return Deeper(0);
  return 0;
}

#include <windows.h>

#include <cstdlib>
#include <string>

#include "services/process/helper_programs.hpp"

namespace {

bool IsFile(const std::string& name) {
  DWORD attributes = GetFileAttributesA(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string OnPath(const char* name) {
  char found[MAX_PATH];
  DWORD length = SearchPathA(nullptr, name, ".exe", MAX_PATH, found, nullptr);
  return length > 0 && length < MAX_PATH ? std::string(found, length) : std::string();
}

// The first of the install folders (below the environment variable's
// folder) that holds the program.
std::string Installed(std::initializer_list<const char*> variables, const char* below) {
  for (const char* variable : variables) {
    const char* folder = std::getenv(variable);
    if (folder == nullptr || *folder == '\0') continue;
    std::string candidate = std::string(folder) + "\\" + below;
    if (IsFile(candidate)) return candidate;
  }
  return {};
}

}  // namespace

std::string GnuplotProgram() {
  std::string found = OnPath("gnuplot");
  if (found.empty()) found = Installed({"ProgramFiles", "ProgramW6432"}, "gnuplot\\bin\\gnuplot.exe");
  return found;
}

const char* GnuplotHint() {
  return "install it from http://www.gnuplot.info (into C:\\Program Files\\gnuplot) for a chart";
}

std::string HeadlessBrowser() {
  std::string found = Installed({"ProgramFiles(x86)", "ProgramFiles", "ProgramW6432"},
                                "Microsoft\\Edge\\Application\\msedge.exe");
  if (found.empty()) found = OnPath("msedge");
  return found;
}

const char* HeadlessBrowserHint() {
  return "install Microsoft Edge from https://www.microsoft.com/edge";
}

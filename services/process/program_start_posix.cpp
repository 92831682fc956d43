#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "services/exit/error_numbers.hpp"
#include "services/exit/runtime_error.hpp"
#include "services/files/files.hpp"
#include "services/process/program_start.hpp"

int DeleteFileNamed(std::string_view name) {
  if (name.empty()) return SetLastError(kNoError);
  if (unlink(NativeFileName(name).c_str()) == 0) return SetLastError(kNoError);
  return SetLastError(DeleteErrorNumber(errno));
}

bool SameFile(std::string_view first, std::string_view second) {
  if (first.empty() || second.empty()) return false;
  struct stat a, b;
  if (stat(NativeFileName(first).c_str(), &a) != 0) return false;
  if (stat(NativeFileName(second).c_str(), &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

int StartProgram(std::string_view path, const std::string& argv0, const std::string& argument) {
  std::string native = NativeFileName(path);
  std::fflush(nullptr);
  // Files and the terminal are handed over as a clean exit would leave them.
  RunExitCleanups();
  // An ignored signal stays ignored across exec; the program gets the default.
  signal(SIGPIPE, SIG_DFL);
  std::vector<char*> args = {const_cast<char*>(argv0.c_str()), const_cast<char*>(argument.c_str()),
                             nullptr};
  execv(native.c_str(), args.data());
  return -1;
}

#include <unistd.h>

#include <string>

#include "services/process/program_path.hpp"

std::string RealProgramPath(const std::string& started_as) {
  std::string path(4096, '\0');
  ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  // A full buffer may hold a cut path; a replaced binary reads "... (deleted)".
  if (length <= 0 || static_cast<size_t>(length) >= path.size()) return started_as;
  path.resize(static_cast<size_t>(length));
  const std::string deleted = " (deleted)";
  if (path.size() > deleted.size() && path.ends_with(deleted)) return started_as;
  return path;
}

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "services/process/helper_programs.hpp"

namespace {

// The first of the names that PATH holds as an executable file.
std::string OnPath(std::initializer_list<const char*> names) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return {};
  for (const char* name : names) {
    std::string folders = path;
    size_t start = 0;
    while (start <= folders.size()) {
      size_t end = folders.find(':', start);
      if (end == std::string::npos) end = folders.size();
      std::string folder = folders.substr(start, end - start);
      std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
      if (access(candidate.c_str(), X_OK) == 0) return candidate;
      start = end + 1;
    }
  }
  return {};
}

}  // namespace

std::string GnuplotProgram() {
  return OnPath({"gnuplot"});
}

const char* GnuplotHint() {
  return "install it (apt-get install gnuplot-nox) for a chart";
}

std::string HeadlessBrowser() {
  return OnPath({"chromium", "chromium-browser", "google-chrome", "google-chrome-stable"});
}

const char* HeadlessBrowserHint() {
  return "install Chromium, e.g. apt-get install chromium";
}

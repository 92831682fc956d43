#include "reporter/scratch_folder.hpp"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  if (!path_.empty()) fs::remove_all(fs::path(path_), ignored);
}

bool ScratchFolder::Make() {
  std::error_code error;
  fs::path base = fs::temp_directory_path(error);
  if (error) return false;
  std::random_device device;
  std::mt19937_64 random(device() ^ static_cast<uint64_t>(
                                         std::chrono::steady_clock::now().time_since_epoch().count()));
  for (int attempt = 0; attempt < 20; ++attempt) {
    fs::path folder = base / ("brenreport-" + std::to_string(random() % 1000000000000ULL));
    if (fs::create_directory(folder, error) && !error) {
      path_ = folder.string();
      return true;
    }
  }
  return false;
}

std::string ScratchFolder::Path(const std::string& name) const {
  return (fs::path(path_) / fs::path(name)).string();
}

bool ReadFileText(const std::string& name, std::string& text) {
  std::ifstream in(fs::path(name), std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  text = all.str();
  return !in.bad();
}

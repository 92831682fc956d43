#include "watcher/shipping/shipping_state.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "services/files/descriptor.hpp"
#include "services/files/files.hpp"
#include "services/files/private_files.hpp"
#include "services/files/staged_file.hpp"
#include "services/time/floor_divide.hpp"

namespace {

constexpr std::string_view kHeader = "brenwatch shipping state 1";

std::string NumberText(int64_t n) {
  return n == StampMemory::kNone ? "-" : std::to_string(n);
}

template <typename Number>
bool ReadNumber(std::string_view text, Number& n, bool none_allowed = false) {
  if (none_allowed && text == "-") {
    n = static_cast<Number>(StampMemory::kNone);
    return true;
  }
  auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), n);
  return problem == std::errc() && end == text.data() + text.size();
}

// "first last top", in order after the runs before it.
bool ReadUsed(std::string_view text, std::vector<UsedSeconds>& used) {
  UsedSeconds run{};
  size_t one = text.find(' ');
  if (one == std::string_view::npos) return false;
  size_t two = text.find(' ', one + 1);
  if (two == std::string_view::npos || !ReadNumber(text.substr(0, one), run.first) ||
      !ReadNumber(text.substr(one + 1, two - one - 1), run.last) ||
      !ReadNumber(text.substr(two + 1), run.top)) {
    return false;
  }
  if (run.first > run.last || run.top < 1 || run.top > 1000 ||
      (!used.empty() && run.first <= used.back().last) || used.size() >= StampMemory::kMostRuns) {
    return false;
  }
  used.push_back(run);
  return true;
}

// Before any stamp a log can hold (year 1).
constexpr int64_t kEarliestSecond = -62135596800;

}  // namespace

StateLoad LoadShipState(const std::string& path, ShipState& state, std::string& error) {
  std::ifstream in(NativeFileName(path), std::ios::binary);
  if (!in) {
    std::error_code ignored;
    if (!std::filesystem::exists(NativeFileName(path), ignored)) return StateLoad::kMissing;
    error = "cannot read the state file " + path;
    return StateLoad::kBroken;
  }
  std::string line;
  state = ShipState{};
  bool header = false, file = false, offset = false, highest = false, used = false;
  // What an older brenwatch remembered instead of the used seconds.
  int64_t last_millisecond = StampMemory::kNone, ceiling = 0;
  int64_t flag = 0;
  bool good = true;
  while (good && std::getline(in, line)) {
    if (!header) {
      header = line == kHeader;
      good = header;
      continue;
    }
    size_t blank = line.find(' ');
    std::string_view key = std::string_view(line).substr(0, blank);
    std::string_view value =
        blank == std::string::npos ? "" : std::string_view(line).substr(blank + 1);
    if (key == "file") {
      state.position.file = value;
      file = true;
    } else if (key == "identity") {
      good = ReadNumber(value, state.position.identity);
    } else if (key == "offset") {
      good = offset = ReadNumber(value, state.position.offset);
    } else if (key == "head") {
      size_t space = value.find(' ');
      good = space != std::string_view::npos &&
             ReadNumber(value.substr(0, space), state.position.head) &&
             ReadNumber(value.substr(space + 1), state.position.head_length);
    } else if (key == "modified") {
      good = ReadNumber(value, state.position.modified);
    } else if (key == "local") {
      good = ReadNumber(value, state.memory.last_local, true);
    } else if (key == "repeated-hour-second") {
      good = ReadNumber(value, flag);
      state.memory.second_occurrence = flag != 0;
    } else if (key == "millisecond") {
      good = ReadNumber(value, last_millisecond, true);
    } else if (key == "highest") {
      good = highest = ReadNumber(value, state.memory.highest, true);
    } else if (key == "ceiling") {
      good = ReadNumber(value, ceiling);
    } else if (key == "used") {
      good = used = ReadUsed(value, state.memory.used);
    }
  }
  if (!good || !header || !file || !offset) {
    error = "the state file " + path + " is damaged; move it away to ship from the logs' beginning";
    return StateLoad::kBroken;
  }
  // A state of an older brenwatch knows the highest millisecond given and at
  // most how far into its second any went: every second up to it counts as
  // used that far.
  StampMemory& memory = state.memory;
  if (!highest) memory.highest = last_millisecond;
  if (!used && memory.highest != StampMemory::kNone) {
    int64_t second = FloorDivide(memory.highest, 1000);
    int64_t within = memory.highest - second * 1000 + 1;
    memory.used = {{kEarliestSecond, second,
                    static_cast<int32_t>(std::clamp<int64_t>(std::max(ceiling, within), 1, 1000))}};
  }
  return StateLoad::kLoaded;
}

bool SaveShipState(const std::string& path, const ShipState& state, std::string& error) {
  std::ostringstream text;
  text << kHeader << '\n'
       << "file " << state.position.file << '\n'
       << "identity " << state.position.identity << '\n'
       << "offset " << state.position.offset << '\n'
       << "head " << state.position.head << ' ' << state.position.head_length << '\n'
       << "modified " << state.position.modified << '\n'
       << "local " << NumberText(state.memory.last_local) << '\n'
       << "repeated-hour-second " << (state.memory.second_occurrence ? 1 : 0) << '\n'
       << "highest " << NumberText(state.memory.highest) << '\n';
  for (const UsedSeconds& run : state.memory.used) {
    text << "used " << run.first << ' ' << run.last << ' ' << run.top << '\n';
  }
  std::string bytes = text.str();
  std::string native = NativeFileName(path);
  std::string temporary = native + ".new";
  int fd = OpenModeDescriptor(temporary, OpenMode::kOutput);
  if (fd < 0) {
    error = "cannot write the state file " + path + ".new: " + std::strerror(errno);
    return false;
  }
  bool written = WriteAllBytes(fd, bytes.data(), bytes.size()) && SyncDescriptor(fd);
  written = CloseDescriptor(fd) && written;
  // Not std::filesystem::rename: mingw's reads the names in another code page.
  bool moved = written && MoveIntoPlace(temporary, native);
  if (!moved) {
    error = "cannot save the state file " + path +
            (written ? std::string(": ") + std::strerror(errno) : "");
    return false;
  }
  // The rename itself on the disk: after a power cut an older position
  // could otherwise come back, and its batches be shipped twice.
  if (!SyncFolderOf(native)) {
    error = "cannot save the state file " + path + ": its folder cannot be flushed to the disk";
    return false;
  }
  return true;
}

bool AppendRejected(const std::string& path, std::string_view message, std::string_view lines,
                    std::string& error) {
  std::FILE* file = std::fopen(NativeFileName(path).c_str(), "ab");
  if (!file) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  std::string comment = "# ";
  for (char c : message) comment += c == '\n' || c == '\r' ? ' ' : c;
  comment += '\n';
  bool good = std::fwrite(comment.data(), 1, comment.size(), file) == comment.size() &&
              std::fwrite(lines.data(), 1, lines.size(), file) == lines.size();
  good = std::fflush(file) == 0 && good;
  good = std::fclose(file) == 0 && good;
  if (!good) error = "cannot write " + path;
  return good;
}

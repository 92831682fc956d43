#include "watcher/shipping/shipping_state.hpp"

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
  bool header = false, file = false, offset = false, highest = false;
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
    } else if (key == "second") {
      good = ReadNumber(value, state.memory.last_second, true);
    } else if (key == "millisecond") {
      good = ReadNumber(value, state.memory.last_millisecond, true);
    } else if (key == "highest") {
      good = highest = ReadNumber(value, state.memory.highest, true);
    } else if (key == "ceiling") {
      good = ReadNumber(value, state.memory.ceiling);
    } else if (key == "pass-base") {
      good = ReadNumber(value, state.memory.pass_base);
    } else if (key == "pass-top") {
      good = ReadNumber(value, state.memory.pass_top, true);
    }
  }
  if (!good || !header || !file || !offset) {
    error = "the state file " + path + " is damaged; move it away to ship from the logs' beginning";
    return StateLoad::kBroken;
  }
  // A state of an older brenwatch remembers the last point only.
  StampMemory& memory = state.memory;
  if (!highest && memory.last_millisecond != StampMemory::kNone) {
    memory.highest = memory.last_millisecond;
    memory.ceiling = (memory.last_millisecond % 1000 + 1000) % 1000 + 1;
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
       << "second " << NumberText(state.memory.last_second) << '\n'
       << "millisecond " << NumberText(state.memory.last_millisecond) << '\n'
       << "highest " << NumberText(state.memory.highest) << '\n'
       << "ceiling " << state.memory.ceiling << '\n'
       << "pass-base " << state.memory.pass_base << '\n'
       << "pass-top " << NumberText(state.memory.pass_top) << '\n';
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

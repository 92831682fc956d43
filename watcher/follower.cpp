#include "watcher/follower.hpp"

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

#include "services/files/file_change_wait.hpp"
#include "services/files/files.hpp"
#include "services/files/followed_files.hpp"

namespace {

// Large enough that a pass over a year's log is a few thousand reads; a line
// longer than this comes in pieces of this size.
constexpr size_t kBlock = 256 * 1024;

struct RunFile {
  std::string name;
  FileFacts facts;
  uint64_t start = 0;  // where reading it begins
};

bool Older(const RunFile& a, const RunFile& b) {
  return std::tie(a.facts.modified, a.name) < std::tie(b.facts.modified, b.name);
}

// Where reading stopped in a file that was left for the next one.
struct Left {
  uint64_t identity = 0;
  uint64_t offset = 0;
  uint64_t size = 0;  // a line still unfinished then lies between offset and size
};

}  // namespace

struct Follower::State {
  LogSource source;
  std::string folder;
  std::unique_ptr<FileChangeWait> changes;
  std::string current;  // empty: no log yet
  bool known = false;   // the current file's identity is known
  uint64_t identity = 0;
  uint64_t offset = 0;
  std::map<std::string, Left> left;
  std::vector<RunFile> queue;  // files still to be read in order, before any other
  bool at_end = false;
  std::vector<char> buffer;

  // The source's log files that exist now, oldest first.
  std::vector<RunFile> Existing() const {
    std::vector<RunFile> files;
    for (const ExistingLog& log : ExistingLogs(source)) files.push_back({log.name, log.facts, 0});
    return files;
  }

  void Reset() {
    current.clear();
    known = false;
    identity = offset = 0;
    left.clear();
    queue.clear();
    at_end = false;
  }

  void Take(const RunFile& file, bool from_start) {
    current = file.name;
    known = true;
    identity = file.facts.identity;
    offset = from_start ? 0 : EndOfLastLine(file);
  }

  // Just past the last line end: a record still being written when the
  // follow starts is read whole, not from its middle as a reading of its own.
  static uint64_t EndOfLastLine(const RunFile& file) {
    constexpr uint64_t kLook = 64 * 1024;
    SharedReadFile reader;
    FileFacts facts;
    uint64_t size = file.facts.size;
    if (size == 0 || !reader.Open(file.name, facts) || facts.identity != file.facts.identity) {
      return size;
    }
    uint64_t from = size > kLook ? size - kLook : 0;
    std::string tail(static_cast<size_t>(size - from), '\0');
    int64_t got = reader.ReadAt(from, tail.data(), tail.size());
    if (got <= 0) return size;
    tail.resize(static_cast<size_t>(got));
    size_t end = tail.find_last_of("\r\n");
    return end == std::string::npos ? size : from + end + 1;
  }

  void Leave(const RunFile& file) {
    left[file.name] = {file.facts.identity, file.facts.size, file.facts.size};
  }

  // Every existing file but the current one counts as read to its end.
  void LeaveAllBut(const std::vector<RunFile>& files) {
    for (const RunFile& file : files) {
      if (file.name != current) Leave(file);
    }
  }

  void StartNewest(bool from_start) {
    Reset();
    std::vector<RunFile> files = Existing();
    if (files.empty()) {
      if (!source.numbered) current = NativeFileName(source.file);
      return;
    }
    Take(files.back(), from_start);
    LeaveAllBut(files);
  }

  // Moves on to the next file to read once the current one is read to its
  // end: a queued one, else a run file that is new, replaced or grew since
  // it was left (the oldest first). False when there is none.
  bool NextFile() {
    RunFile next;
    if (!queue.empty()) {
      next = queue.front();
      queue.erase(queue.begin());
    } else {
      if (!source.numbered) return false;
      bool found = false;
      for (RunFile& file : Existing()) {
        if (file.name == current) continue;
        auto was = left.find(file.name);
        if (was != left.end() && was->second.identity == file.facts.identity) {
          if (file.facts.size >= was->second.offset && file.facts.size <= was->second.size)
            continue;
          if (file.facts.size > was->second.size) file.start = was->second.offset;
        }
        if (!found || Older(file, next)) next = file;
        found = true;
      }
      if (!found) return false;
    }
    if (!current.empty() && known) {
      FileFacts facts;
      uint64_t size =
          LookAtFile(current, facts) && facts.identity == identity ? facts.size : offset;
      left[current] = {identity, offset, std::max(size, offset)};
    }
    current = next.name;
    known = true;
    identity = next.facts.identity;
    offset = next.start;
    return true;
  }

  // Hands the complete lines up to `size`; false when `limit` stopped it
  // before the end.
  bool ReadLines(SharedReadFile& file, uint64_t size,
                 const std::function<void(const LogLine&)>& take, size_t limit, size_t& handed) {
    if (buffer.empty()) buffer.resize(kBlock);
    LogLine line;
    line.after.file = current;
    line.after.identity = identity;
    char* data = buffer.data();
    while (offset < size) {
      size_t want = static_cast<size_t>(std::min<uint64_t>(kBlock, size - offset));
      int64_t got = file.ReadAt(offset, data, want);
      if (got <= 0) return true;
      size_t count = static_cast<size_t>(got);
      size_t start = 0;
      for (size_t at = 0; at < count; ++at) {
        if (data[at] != '\n' && data[at] != '\r') continue;
        if (at > start) {
          if (handed == limit) {
            offset += start;
            return false;
          }
          line.text = std::string_view(data + start, at - start);
          line.after.offset = offset + at + 1;
          take(line);
          ++handed;
        }
        start = at + 1;
      }
      if (start == 0 && count == kBlock) {
        if (handed == limit) return false;
        line.text = std::string_view(data, count);
        line.after.offset = offset + count;
        take(line);
        ++handed;
        start = count;
      }
      offset += start;
      // What is left is a line still being written: it waits for its end.
      if (start < count && (count < want || offset + (count - start) >= size)) return true;
    }
    return true;
  }
};

Follower::Follower(const LogSource& source) : state_(std::make_unique<State>()) {
  state_->source = source;
  state_->folder = LogFolder(source);
  state_->changes = WatchFolder(state_->folder);
}

Follower::~Follower() = default;

void Follower::StartAtEnd() {
  state_->StartNewest(false);
}

void Follower::StartAtBeginning() {
  state_->StartNewest(true);
}

void Follower::StartAtFirst() {
  State& s = *state_;
  s.Reset();
  s.queue = s.Existing();
}

void Follower::StartAt(const LogPosition& saved) {
  State& s = *state_;
  s.Reset();
  std::vector<RunFile> files = s.Existing();
  auto same = std::find_if(files.begin(), files.end(),
                           [&](const RunFile& f) { return f.name == saved.file; });
  if (same != files.end() && same->facts.identity == saved.identity) {
    s.current = saved.file;
    s.known = true;
    s.identity = saved.identity;
    s.offset = saved.offset;
    // Files written after it are found as new ones.
    for (const RunFile& file : files) {
      if (file.name != s.current && !Older(*same, file)) {
        s.Leave(file);
      }
    }
    return;
  }
  if (!s.source.numbered) {
    s.current = NativeFileName(s.source.file);
    return;
  }
  // Gone or replaced: its replacement and the later numbers, from their start.
  for (const RunFile& file : files) {
    if (file.name >= saved.file) {
      s.queue.push_back(file);
    } else {
      s.Leave(file);
    }
  }
}

size_t Follower::Poll(const std::function<void(const LogLine&)>& take, size_t limit) {
  State& s = *state_;
  size_t handed = 0;
  s.at_end = false;
  for (;;) {
    if (s.current.empty() && !s.NextFile()) break;
    SharedReadFile file;
    FileFacts facts;
    if (s.current.empty() || !file.Open(s.current, facts)) {
      if (!s.NextFile()) break;
      continue;
    }
    if (!s.known || facts.identity != s.identity) {
      // Replaced under its name (or seen for the first time): a new file.
      s.known = true;
      s.identity = facts.identity;
      s.offset = 0;
    }
    if (facts.size < s.offset) s.offset = 0;  // truncated
    if (!s.ReadLines(file, facts.size, take, limit, handed)) return handed;
    file.Close();
    if (!s.NextFile()) break;
  }
  s.at_end = true;
  return handed;
}

bool Follower::AtEnd() const {
  return state_->at_end;
}

void Follower::Wait(int milliseconds) {
  state_->changes->Wait(milliseconds);
}

std::string Follower::CurrentFile() const {
  return state_->current;
}

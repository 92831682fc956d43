#include "watcher/follower.hpp"

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

#include "services/files/file_change_wait.hpp"
#include "services/files/files.hpp"
#include "services/files/followed_files.hpp"
#include "watcher/file_head.hpp"

namespace {

// Large enough that a pass over a year's log is a few thousand reads; a line
// longer than this comes in pieces of this size.
constexpr size_t kBlock = 256 * 1024;
// How many of the files left last are looked at on every poll.
constexpr size_t kRecent = 4;

bool SameFacts(const FileFacts& a, const FileFacts& b) {
  return a.identity == b.identity && a.size == b.size && a.modified == b.modified;
}

// A run file as last looked at, and how far it was read.
struct Known {
  FileFacts facts;
  bool read = false;     // read (or counted as read) up to offset
  FileFacts read_facts;  // as it was when read up to offset
  FileHead head;
  uint64_t offset = 0;
};

bool Older(int64_t modified, const std::string& name, int64_t other_modified,
           const std::string& other_name) {
  return std::tie(modified, name) < std::tie(other_modified, other_name);
}

}  // namespace

struct Follower::State {
  LogSource source;
  std::string folder;
  std::unique_ptr<FileChangeWait> changes;
  FolderChanges pending;
  // Numbered: the run's files by native name. Learnt from the folder once,
  // then from the names the change notifications give.
  std::map<std::string, Known> known;
  std::vector<std::string> recent;  // the files left last, newest last
  std::string current;  // empty: no log yet
  uint64_t identity = 0;  // 0: the current file's identity is not known yet
  FileHead head;
  FileFacts seen;  // the current file as at the last read
  uint64_t offset = 0;
  bool at_end = false;
  std::vector<char> buffer;

  void LookAt(const std::string& name) {
    FileFacts facts;
    if (LookAtFile(name, facts)) {
      known[name].facts = facts;
    } else {
      known.erase(name);
    }
  }

  void ListAll() {
    std::vector<std::string> entries;
    ListFolder(folder, entries);
    std::map<std::string, Known> now;
    for (const std::string& entry : entries) {
      std::string name = NumberedLogName(source, entry);
      FileFacts facts;
      if (name.empty() || !LookAtFile(name, facts)) continue;
      auto was = known.find(name);
      Known& file = now[name];
      if (was != known.end()) file = was->second;
      file.facts = facts;
    }
    known.swap(now);
  }

  // What the notifications said since the last look. The files left last
  // are looked at each time too: where the system names no written files
  // (Windows), a line that completes a left file's last one is still found.
  void Refresh() {
    if (!source.numbered) return;
    changes->Wait(0, pending);
    if (pending.all) {
      ListAll();
    } else {
      for (const std::string& entry : pending.names) {
        std::string name = NumberedLogName(source, entry);
        if (!name.empty()) LookAt(name);
      }
    }
    pending = FolderChanges{};
    for (const std::string& name : recent) {
      if (name != current && known.count(name)) LookAt(name);
    }
  }

  void Reset() {
    current.clear();
    identity = offset = 0;
    head = {};
    seen = {};
    known.clear();
    recent.clear();
    pending = FolderChanges{};
    at_end = false;
  }

  // Where reading a run file that is not the current one would begin; false
  // when nothing in it waits to be read.
  static bool WaitingFrom(const std::string& name, Known& file, uint64_t& from) {
    from = 0;
    if (!file.read) return true;
    if (SameFacts(file.facts, file.read_facts)) return false;
    if (file.facts.identity != file.read_facts.identity) return true;
    SharedReadFile reader;
    FileFacts facts;
    if (!reader.Open(name, facts) || facts.identity != file.read_facts.identity) return false;
    FileHead head = file.head;
    if (facts.size < file.offset || !SameHead(reader, facts.size, head)) return true;
    file.head = head;
    if (facts.size == file.offset) {
      file.read_facts = facts;  // touched, nothing added
      return false;
    }
    from = file.offset;
    return true;
  }

  // The oldest run file with something to read, other than the current one.
  bool Next(std::string& name, uint64_t& from) {
    const std::string* best = nullptr;
    int64_t best_modified = 0;
    for (auto& [file_name, file] : known) {
      uint64_t start;
      if (file_name == current || !WaitingFrom(file_name, file, start)) continue;
      if (!best || Older(file.facts.modified, file_name, best_modified, *best)) {
        best = &file_name;
        best_modified = file.facts.modified;
        from = start;
      }
    }
    if (best) name = *best;
    return best != nullptr;
  }

  // The current file, read to `facts->size` (null: gone), is left for `next`.
  void Switch(const FileFacts* facts, const std::string& next, uint64_t from) {
    if (facts) {
      Known& left = known[current];
      left.facts = left.read_facts = *facts;
      left.read = true;
      left.head = head;
      left.offset = offset;
      std::erase(recent, current);
      recent.push_back(current);
      if (recent.size() > kRecent) recent.erase(recent.begin());
    }
    Known& file = known[next];
    current = next;
    identity = file.facts.identity;
    head = from > 0 ? file.head : FileHead{};
    seen = {};
    offset = from;
  }

  // Counted as read to its end as it is now, with what it begins with: a
  // replacement later given its inode number is read from its beginning.
  static void CountAsRead(const std::string& name, Known& file) {
    file.read = true;
    file.read_facts = file.facts;
    file.offset = file.facts.size;
    file.head = {};
    SharedReadFile reader;
    FileFacts facts;
    if (reader.Open(name, facts) && facts.identity == file.facts.identity) {
      SameHead(reader, std::min(facts.size, file.facts.size), file.head);
    }
  }

  void CountAllAsRead() {
    for (auto& [name, file] : known) CountAsRead(name, file);
  }

  // Takes `name` as the current file, at its beginning or just past its last
  // line end: a record still being written when the follow starts is read
  // whole, not from its middle as a reading of its own.
  void Take(const std::string& name, bool from_start) {
    current = name;
    identity = 0;
    head = {};
    seen = {};
    offset = 0;
    SharedReadFile reader;
    FileFacts facts;
    if (!reader.Open(name, facts)) return;
    identity = facts.identity;
    SameHead(reader, facts.size, head);
    seen = facts;
    if (!from_start) offset = EndOfLastLine(reader, facts.size);
  }

  void StartNewest(bool from_start) {
    Reset();
    if (!source.numbered) {
      Take(NativeFileName(source.file), from_start);
      return;
    }
    ListAll();
    CountAllAsRead();
    auto newest = known.end();
    for (auto file = known.begin(); file != known.end(); ++file) {
      if (newest == known.end() || Older(newest->second.facts.modified, newest->first,
                                         file->second.facts.modified, file->first)) {
        newest = file;
      }
    }
    if (newest != known.end()) Take(newest->first, from_start);
  }

  // Checks the open current file against what was read of it: a file
  // replaced under its name (also by one given the same inode) or truncated
  // is read again from its beginning.
  void Check(SharedReadFile& file, const FileFacts& facts) {
    if (SameFacts(facts, seen)) return;
    if (facts.identity != identity) {
      identity = facts.identity;
      head = {};
      offset = 0;
    }
    if (!SameHead(file, facts.size, head)) {
      head = {};
      SameHead(file, facts.size, head);
      offset = 0;
    }
    if (facts.size < offset) offset = 0;
    seen = facts;
  }

  LogPosition Position() const {
    LogPosition position;
    position.file = current;
    position.identity = identity;
    position.head = head.hash;
    position.head_length = head.length;
    position.modified = seen.modified;
    position.offset = offset;
    return position;
  }

  // Hands the complete lines up to `size`; false when `limit` stopped it
  // before the end.
  bool ReadLines(SharedReadFile& file, uint64_t size,
                 const std::function<void(const LogLine&)>& take, size_t limit, size_t& handed) {
    if (buffer.empty()) buffer.resize(kBlock);
    LogLine line;
    line.after = Position();
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
  if (!s.source.numbered) {
    s.Take(NativeFileName(s.source.file), true);
    return;
  }
  s.ListAll();
}

void Follower::StartAt(const LogPosition& saved) {
  State& s = *state_;
  s.Reset();
  if (s.source.numbered) s.ListAll();
  std::string name = s.source.numbered ? saved.file : NativeFileName(s.source.file);
  if (!s.source.numbered) s.current = name;
  // Identity 0: no log had been read, every one is read from its beginning.
  if (saved.identity == 0) return;
  SharedReadFile reader;
  FileFacts facts;
  FileHead head{saved.head, saved.head_length};
  bool resumed = reader.Open(name, facts) && facts.identity == saved.identity &&
                 facts.size >= saved.offset && SameHead(reader, facts.size, head);
  if (resumed) {
    s.current = name;
    s.identity = saved.identity;
    s.head = head;
    s.seen = facts;
    s.offset = saved.offset;
  }
  // The run's files changed before the saved one was read count as read;
  // those changed after it (the next numbers, a new run on any number, a
  // replacement) are read from their beginning. A state of an older
  // brenwatch knows no change time: there the names after it are the later.
  for (auto& [name, file] : s.known) {
    if (resumed && name == s.current) continue;
    bool before = saved.modified != 0
                      ? Older(file.facts.modified, name, saved.modified, saved.file)
                      : name < saved.file;
    if (before) State::CountAsRead(name, file);
  }
}

LogPosition Follower::Position() const {
  return state_->Position();
}

size_t Follower::Poll(const std::function<void(const LogLine&)>& take, size_t limit) {
  State& s = *state_;
  size_t handed = 0;
  s.at_end = false;
  // Files that cannot be opened (no permission) are passed over once each.
  size_t unopened = 0;
  for (;;) {
    SharedReadFile file;
    FileFacts facts;
    bool open = !s.current.empty() && file.Open(s.current, facts);
    if (!open && !s.current.empty() && ++unopened > s.known.size()) break;
    if (open) {
      s.Check(file, facts);
      if (!s.ReadLines(file, facts.size, take, limit, handed)) return handed;
      file.Close();
    }
    s.Refresh();
    std::string next;
    uint64_t from = 0;
    if (!s.source.numbered || !s.Next(next, from)) break;
    // Leaving a file means reading it to its real end first: a line written
    // since it was opened is read before the next file.
    FileFacts now;
    if (open && LookAtFile(s.current, now) && now.identity == facts.identity &&
        now.size != facts.size) {
      continue;
    }
    s.Switch(open ? &facts : nullptr, next, from);
  }
  s.at_end = true;
  return handed;
}

bool Follower::AtEnd() const {
  return state_->at_end;
}

void Follower::Wait(int milliseconds) {
  state_->changes->Wait(milliseconds, state_->pending);
}

std::string Follower::CurrentFile() const {
  return state_->current;
}

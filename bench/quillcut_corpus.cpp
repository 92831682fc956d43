// Writes a reproducible text corpus for the line filter benchmark: ordinary
// lines with and without trailing blanks and tabs, comment lines (some
// indented), blank and all-blank lines, lines with an inner semicolon, and
// some long lines.
//
//   quillcut_corpus <megabytes> <file> [crlf]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// xorshift64*: the same corpus on every machine and library.
class Random {
 public:
  uint64_t Next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 2685821657736338717ULL;
  }
  int Below(int n) { return static_cast<int>((Next() >> 33) % static_cast<uint64_t>(n)); }

 private:
  uint64_t state_ = 0x9E3779B97F4A7C15ULL;
};

void Words(Random& r, std::string& line, int length) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJ0123456789.,-=+:()";
  while (static_cast<int>(line.size()) < length) {
    int word = 2 + r.Below(9);
    for (int i = 0; i < word; ++i) line += kLetters[r.Below(sizeof kLetters - 1)];
    line += ' ';
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
}

void Trailing(Random& r, std::string& line) {
  int n = 1 + r.Below(6);
  for (int i = 0; i < n; ++i) line += r.Below(4) == 0 ? '\t' : ' ';
}

std::string MakeLine(Random& r) {
  std::string line;
  int kind = r.Below(100);
  if (kind < 60) {  // ordinary
    if (r.Below(5) == 0) line.append(static_cast<size_t>(1 + r.Below(8)), ' ');
    Words(r, line, 20 + r.Below(100));
    if (r.Below(3) == 0) Trailing(r, line);
  } else if (kind < 72) {  // comment, some indented
    line.append(static_cast<size_t>(r.Below(2) ? 0 : 1 + r.Below(6)), ' ');
    line += ';';
    Words(r, line, static_cast<int>(line.size()) + 10 + r.Below(70));
    if (r.Below(4) == 0) Trailing(r, line);
  } else if (kind < 80) {  // blank
  } else if (kind < 86) {  // all blanks
    line.append(static_cast<size_t>(1 + r.Below(12)), ' ');
  } else if (kind < 97) {  // inner semicolon
    Words(r, line, 10 + r.Below(50));
    line += r.Below(2) ? " ; " : ";";
    Words(r, line, static_cast<int>(line.size()) + 5 + r.Below(40));
  } else {  // long
    Words(r, line, 200 + r.Below(1800));
    if (r.Below(2) == 0) Trailing(r, line);
  }
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <megabytes> <file> [crlf]\n", argv[0]);
    return 2;
  }
  const uint64_t target = std::strtoull(argv[1], nullptr, 10) << 20;
  const char* end = argc > 3 && std::strcmp(argv[3], "crlf") == 0 ? "\r\n" : "\n";
  std::FILE* out = std::fopen(argv[2], "wb");
  if (out == nullptr) {
    std::perror(argv[2]);
    return 1;
  }
  static char buffer[1 << 20];
  std::setvbuf(out, buffer, _IOFBF, sizeof buffer);
  Random r;
  uint64_t written = 0;
  while (written < target) {
    std::string line = MakeLine(r) + end;
    std::fwrite(line.data(), 1, line.size(), out);
    written += line.size();
  }
  if (std::fclose(out) != 0) {
    std::perror(argv[2]);
    return 1;
  }
  return 0;
}

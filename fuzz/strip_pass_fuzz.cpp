// The filter's pass over arbitrary bytes with each option set: the output and
// stripped-lines files hold exactly what the byte-by-byte rules keep, the
// counters add up to the lines read, and a reader with a tiny block splits
// the file into the same lines.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/check.hpp"
#include "fuzz/line_reference.hpp"
#include "services/files/line_stream.hpp"
#include "stripper/pass.hpp"

namespace {

const std::string& Directory() {
  static const std::string dir = [] {
    char name[] = "/tmp/strip_pass_fuzz.XXXXXX";
    FUZZ_CHECK(mkdtemp(name) != nullptr);
    return std::string(name);
  }();
  return dir;
}

std::string Slurp(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Store(const std::string& name, std::string_view bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  FUZZ_CHECK(out.good());
}

// LF ends a line and takes a CR before it along; a CR that is the file's
// last byte ends the last line.
std::vector<std::string_view> ReferenceLines(std::string_view file) {
  std::vector<std::string_view> lines;
  while (!file.empty()) {
    size_t lf = file.find('\n');
    std::string_view line = file.substr(0, lf);
    file.remove_prefix(lf == std::string_view::npos ? file.size() : lf + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const unsigned options = data[0];
  std::string_view file(reinterpret_cast<const char*>(data) + 1, size - 1);
  StripSettings s;
  s.FileIn = Directory() + "/in";
  s.FileOut = Directory() + "/out";
  s.AllLines = (options & 1) ? kOn : kOff;
  s.SplitLine = (options & 2) ? kOn : kOff;
  s.Retain = (options & 4) ? kOn : kOff;
  if (options & 8) s.SemiOut = Directory() + "/semi";
  Store(s.FileIn, file);
  unlink(s.FileOut.c_str());
  unlink((Directory() + "/semi").c_str());

  std::vector<std::string_view> lines = ReferenceLines(file);
  {
    LineReader reader(16 + (options >> 4));
    FUZZ_CHECK(reader.Open(s.FileIn) == 0);
    std::string_view line;
    size_t count = 0;
    while (reader.Next(line)) {
      FUZZ_CHECK(count < lines.size() && line == lines[count]);
      ++count;
    }
    FUZZ_CHECK(reader.error() == 0 && count == lines.size());
  }

  StripCounters c;
  {
    StripPass pass;
    FUZZ_CHECK(pass.Open(s));
    pass.Run(s, c);
    pass.Close(false);
  }
  const int64_t read = static_cast<int64_t>(lines.size());
  FUZZ_CHECK(c.LineCount + c.SemiLines + c.BlankLines == read);
  FUZZ_CHECK(c.PartialLines <= c.SemiLines);

  std::string output;
  std::string stripped;
  for (std::string_view line : lines) {
    ReferenceVerdict v = ReferenceSort(line, s.AllLines != kOff, s.SplitLine != kOff);
    if (v.kind == LineKind::kBlank && s.Retain != kOff) output += "\r\n";
    if (v.kind == LineKind::kOrdinary || v.kind == LineKind::kCut) output += v.output + "\r\n";
    if (v.kind == LineKind::kSemicolon || v.kind == LineKind::kCut) stripped += v.stripped + "\r\n";
  }
  std::string written = Slurp(s.FileOut);
  FUZZ_CHECK(written == output);
  if (!s.SemiOut.empty()) FUZZ_CHECK(Slurp(s.SemiOut) == stripped);

  // Stated apart from the rules above, as users see the output.
  size_t kept = 0;
  for (std::string_view rest = written; !rest.empty(); ++kept) {
    size_t end = rest.find("\r\n");
    FUZZ_CHECK(end != std::string_view::npos);
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end + 2);
    if (line.empty()) continue;
    FUZZ_CHECK(line.back() != ' ');
    FUZZ_CHECK(line[line.find_first_not_of(' ')] != ';');
  }
  FUZZ_CHECK(static_cast<int64_t>(kept) ==
             c.LineCount + c.PartialLines + (s.Retain != kOff ? c.BlankLines : 0));
  return 0;
}

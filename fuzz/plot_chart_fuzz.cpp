// brenplot from log to gnuplot script: whatever the log and the title hold,
// the script's commands are those of a plain chart (so gnuplot writes no file
// but the one it is given), every text in it is one an SVG can hold, every
// stamp read is a real one and every reading a finite number.
//
// Input: a format byte, the title up to a NUL byte, then the log.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/check.hpp"
#include "logreader/log_record.hpp"
#include "logreader/record_lines.hpp"
#include "plotter/chart_script.hpp"
#include "plotter/chart_text.hpp"
#include "plotter/log_pass.hpp"

namespace {

// Small, so long lines and line ends across blocks come up often.
constexpr size_t kBlock = 64;

// The script as gnuplot lexes it: every string expression (literals joined by
// ".") becomes one "S" in `skeleton` and its text goes to `texts`. A literal
// gnuplot could misread (a doubled quote) or one left open is a failure.
void Lex(const std::string& script, std::string& skeleton, std::vector<std::string>& texts) {
  bool in_data = false;
  size_t at = 0;
  while (at < script.size()) {
    size_t end = script.find('\n', at);
    FUZZ_CHECK(end != std::string::npos);
    std::string_view line(script.data() + at, end - at);
    at = end + 1;
    if (in_data) {
      in_data = line != "EOD";
      // Finite numbers only: no inf, no nan.
      if (in_data) FUZZ_CHECK(line.find_first_not_of("0123456789.e+- ") == std::string_view::npos);
      skeleton += in_data ? "D\n" : "EOD\n";
      continue;
    }
    in_data = line.ends_with("<< EOD");
    bool joining = false;  // a "." after a string: the next literal continues it
    for (size_t i = 0; i < line.size(); ++i) {
      char c = line[i];
      if (c == '\'' || c == '"') {
        std::string text;
        size_t j = i + 1;
        for (; j < line.size() && line[j] != c; ++j) {
          if (c == '"' && line[j] == '\\' && j + 1 < line.size()) {
            ++j;
            text += line[j] == 'n' ? '\n' : line[j];
          } else {
            text += line[j];
          }
        }
        FUZZ_CHECK(j < line.size());
        FUZZ_CHECK(c == '"' || j + 1 >= line.size() || line[j + 1] != '\'');
        if (joining) {
          texts.back() += text;
          skeleton.resize(skeleton.rfind('S') + 1);
        } else {
          texts.push_back(text);
          skeleton += 'S';
        }
        joining = line.substr(j + 1).starts_with(" . ");
        if (joining) j += 3;
        i = j;
        continue;
      }
      FUZZ_CHECK(c != '#' && c != '`' && c != ';');
      skeleton += c;
    }
    skeleton += '\n';
  }
}

// Text an SVG text element can hold once gnuplot has escaped "<" and "&".
bool FitForSvg(std::string_view text) {
  if (text.find("]]>") != std::string_view::npos) return false;
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    uint32_t code = 0;
    size_t length = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
    if (length == 0 || i + length > text.size()) return false;
    code = length == 1 ? c : c & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    static constexpr uint32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kShortest[length] || code > 0x10FFFF) return false;
    bool xml_char = code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
                    (code >= 0xE000 && code <= 0xFFFD) || code >= 0x10000;
    if (!xml_char) return false;
    i += length;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  static constexpr ChartFormat kFormats[] = {ChartFormat::kSvg, ChartFormat::kPng,
                                             ChartFormat::kTerminal};
  const ChartFormat format = kFormats[static_cast<unsigned char>(input[0]) % 3];
  input.remove_prefix(1);
  size_t nul = input.find('\0');
  std::string title(input.substr(0, nul));
  std::string_view log = nul == std::string_view::npos ? "" : input.substr(nul + 1);

  // Through a pipe, as from a shell's <(...); one that holds the log whole.
  if (log.size() > 60000) log = log.substr(0, 60000);
  int pipe_ends[2];
  FUZZ_CHECK(pipe(pipe_ends) == 0);
  FUZZ_CHECK(write(pipe_ends[1], log.data(), log.size()) == static_cast<ssize_t>(log.size()));
  RecordLines lines(kBlock);
  FUZZ_CHECK(lines.Open("/dev/fd/" + std::to_string(pipe_ends[0])));
  close(pipe_ends[1]);
  close(pipe_ends[0]);

  PlotOptions options;
  options.format = format;
  LogPass pass(options, 80, nullptr);
  size_t count = 0;
  for (std::string_view line; lines.Next(line);) {
    FUZZ_CHECK(!line.empty() && line.size() <= kBlock);
    FUZZ_CHECK(line.find_first_of("\r\n") == std::string_view::npos);
    ++count;
    Record r = ReadRecord(line);
    if (r.stamped) {
      int64_t first = 0, last = 0;
      FUZZ_CHECK(ReadTimeBound(std::string(r.date) + "T" + std::string(r.time), first, last));
      FUZZ_CHECK(first == r.seconds);
    }
    if (r.kind == RecordKind::kReading) FUZZ_CHECK(std::isfinite(r.value));
    pass.Line(line);
  }
  FUZZ_CHECK(!lines.failed());
  FUZZ_CHECK(count <= log.size());
  if (pass.readings() == 0) return 0;

  Chart chart = pass.MakeChart();
  chart.format = format;
  chart.title = title;
  // The same chart with plain texts: its commands must be the same.
  Chart plain = chart;
  plain.title = "t";
  for (ChartMark& mark : plain.marks) mark.label = "t";

  std::string skeleton, plain_skeleton;
  std::vector<std::string> texts, plain_texts;
  Lex(ChartScript(chart), skeleton, texts);
  Lex(ChartScript(plain), plain_skeleton, plain_texts);
  FUZZ_CHECK(skeleton == plain_skeleton);
  FUZZ_CHECK(skeleton.find("set output") == std::string::npos);
  FUZZ_CHECK(texts.size() == plain_texts.size());
  // The title comes first among the texts shown, exactly as made safe.
  const std::string shown = ChartText(title, format);
  bool found = false;
  for (const std::string& text : texts) {
    if (format == ChartFormat::kSvg) FUZZ_CHECK(FitForSvg(text));
    found = found || text.starts_with(shown + "\n");
  }
  FUZZ_CHECK(found);
  return 0;
}

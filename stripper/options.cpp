#include "stripper/options.hpp"

#include "services/console/console.hpp"
#include "services/text/text_forms.hpp"
#include "stripper/progress.hpp"
#include "stripper/usage.hpp"

namespace {

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

bool IsHelpWord(std::string_view word) {
  return word == "?" || word == "/?" || word == "-?" || word == "??";
}

// The flag a two-character option word sets, or nullptr for any other word.
int8_t* OptionFlag(std::string_view word, StripSettings& s) {
  if (word[0] != '/' && word[0] != '-') return nullptr;
  switch (word[1]) {
    case 'O':
      return &s.OverWrite;
    case 'A':
      return &s.AppendMode;
    case 'D':
      return &s.DeleteFile;
    case 'S':
      return &s.SplitLine;
    case 'X':
      return &s.AllLines;
    case 'R':
      return &s.Retain;
    case 'M':
      return &s.MarkMode;
    case 'V':
      return &s.Verbose;
    default:
      return nullptr;
  }
}

void TakeFileName(std::string_view name, StripSettings& s) {
  ++s.FileCount;
  if (s.FileCount == 1) s.FileIn = name;
  if (s.FileCount == 2) s.FileOut = name;
  if (s.FileCount == 3) s.SemiOut = name;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

ScanOutcome ScanArguments(const std::vector<std::string>& args, StripSettings& s) {
  s.HelpText = BuildHelpText();
  // Only the exact spelling as the first argument; anywhere else it is inert.
  if (!args.empty() && args[0] == "/DB") s.DebugMode = kOn;
  if (args.empty() || args[0].empty()) return ScanOutcome::kGoOn;

  // The scan includes the first blank argument; the end of the list counts
  // as one.
  for (size_t i = 0;; ++i) {
    std::string_view typed = i < args.size() ? std::string_view(args[i]) : std::string_view();
    std::string_view trimmed = TrimBlanks(typed);
    std::string word = UpperAscii(trimmed);
    Progress(s, word);
    if (word.size() == 2 || word == "?") {
      if (IsHelpWord(word)) {
        PrintLine(s.HelpText);
        return ScanOutcome::kHelpShown;
      }
      if (int8_t* flag = OptionFlag(word, s)) *flag = kOn;
    } else if (word.compare(0, 3, "/E:") == 0) {
      s.PrgStr = TrimBlanks(trimmed.substr(3));
    } else if (word != "/DB") {
      TakeFileName(trimmed, s);
    }
    if (trimmed.empty()) break;
  }
  if (s.AppendMode != kOff) s.OverWrite = kOff;
  return ScanOutcome::kGoOn;
}

std::vector<std::string> SettingsListing(const StripSettings& s) {
  auto flag = [](int8_t value) { return IntText(value); };
  return {
      "    FileIn: " + s.FileIn,           "   FileOut: " + s.FileOut,
      "   SemiOut: " + s.SemiOut,          "    PrgStr: " + s.PrgStr,
      " OverWrite: " + flag(s.OverWrite),  "AppendMode: " + flag(s.AppendMode),
      "DeleteFile: " + flag(s.DeleteFile), " SplitLine: " + flag(s.SplitLine),
      "  AllLines: " + flag(s.AllLines),   "    Retain: " + flag(s.Retain),
      "  MarkMode: " + flag(s.MarkMode),   "   Verbose: " + flag(s.Verbose),
  };
}

void ShowSettings(const StripSettings& s) {
  if (s.DebugMode == kOff) return;
  for (const std::string& line : SettingsListing(s)) PrintLine(line);
  Pause(-1);
}

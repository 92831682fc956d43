#include "logger/functions.hpp"
#include "logger/globals.hpp"
#include "logger/text_rules.hpp"
#include "services/exit/runtime_error.hpp"

namespace {

// Quotes, tabs, control bytes and bytes from 127 up decide nothing about the
// shape of a line; they only stay in the value.
bool ShapesLine(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u >= 32 && u <= 126 && c != '"' && c != '\'';
}

}  // namespace

bool CLEANINISTR(std::string& line, std::string& key, std::string& value) {
  RoutineScope scope("CLEANINISTR", kLoggerModule);
  line = TrimBlanks(line);
  size_t semicolon = line.find(';');
  if (semicolon == 0) return false;
  if (semicolon != std::string::npos) line = TrimBlanks(line.substr(0, semicolon));
  if (line.empty()) return false;

  std::string cleaned;
  cleaned.reserve(line.size());
  for (char c : line) {
    if (ShapesLine(c)) cleaned += c;
  }
  cleaned = TrimBlanks(cleaned);
  if (cleaned.empty()) return false;
  size_t equals = cleaned.find('=');
  if (equals == std::string::npos || equals == 0 || equals + 1 == cleaned.size()) return false;

  // The cleaned copy's first "=" is the line's own first "=": cut there, so a
  // dropped character before it cannot shift the split.
  size_t split = line.find('=');
  key = UpperAscii(TrimBlanks(line.substr(0, split)));
  value = TrimBlanks(line.substr(split + 1));
  return !key.empty() && !value.empty();
}

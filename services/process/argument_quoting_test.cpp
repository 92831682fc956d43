// Quoting for the Windows command line, checked against the C runtime's own
// splitting rules: each quoted argument must read back as itself.
#include "services/process/argument_quoting.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The C runtime's split of a command line (the rules since 2008).
std::vector<std::string> Split(std::string_view line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i == line.size()) break;
    std::string word;
    bool in_quotes = false;
    while (i < line.size() && (in_quotes || (line[i] != ' ' && line[i] != '\t'))) {
      size_t backslashes = 0;
      while (i < line.size() && line[i] == '\\') {
        ++backslashes;
        ++i;
      }
      if (i < line.size() && line[i] == '"') {
        word.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          word += '"';
        } else if (in_quotes && i + 1 < line.size() && line[i + 1] == '"') {
          word += '"';
          ++i;
        } else {
          in_quotes = !in_quotes;
        }
        ++i;
      } else {
        word.append(backslashes, '\\');
        if (i < line.size() && (in_quotes || (line[i] != ' ' && line[i] != '\t')))
          word += line[i++];
      }
    }
    words.push_back(word);
  }
  return words;
}

TEST(ArgumentQuoting, EveryArgumentReadsBackAsItself) {
  const std::vector<std::string> arguments = {
      "C:\\Program Files\\Lab Tools\\plot.exe",
      "D:\\Daten Messung\\Therm0001.txt",
      "plain.txt",
      "",
      "ends with backslash\\",
      "C:\\dir\\",
      "say \"hi\"",
      "back\\\"slash quote",
      "tab\there",
      "a\\\\b c",
  };
  for (const std::string& program : {arguments[0], std::string("C:\\x\\run.exe")}) {
    for (const std::string& argument : arguments) {
      std::string line = QuotedArgument(program) + " " + QuotedArgument(argument);
      std::vector<std::string> words = Split(line);
      ASSERT_EQ(words.size(), 2u) << line;
      EXPECT_EQ(words[0], program) << line;
      EXPECT_EQ(words[1], argument) << line;
    }
  }
}

TEST(ArgumentQuoting, PlainWordsStayAsTheyAre) {
  EXPECT_EQ(QuotedArgument("C:\\x\\run.exe"), "C:\\x\\run.exe");
  EXPECT_EQ(QuotedArgument("a b"), "\"a b\"");
}

}  // namespace

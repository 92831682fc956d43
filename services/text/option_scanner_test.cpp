#include "services/text/option_scanner.hpp"

#include <gtest/gtest.h>

namespace {

// What a scan saw, one word an argument: "op:X" an operand, "opt:NAME" an
// option left without value, "NAME=VALUE" an option whose value was taken
// (options named --take* and -t take one), "!message" a refusal.
std::vector<std::string> Scan(const std::vector<std::string>& args) {
  std::vector<std::string> seen;
  OptionScanner scanner(args);
  while (scanner.Next()) {
    if (scanner.IsOperand()) {
      seen.push_back("op:" + scanner.Argument());
      continue;
    }
    const std::string& name = scanner.Name();
    if (name.starts_with("--take") || name == "-t") {
      std::string value, error;
      if (!scanner.TakeValue(value, error)) {
        seen.push_back("!" + error);
        continue;
      }
      seen.push_back(name + "=" + value);
      continue;
    }
    seen.push_back("opt:" + name + (scanner.HasValue() ? " with a value" : ""));
  }
  return seen;
}

TEST(OptionScanner, OperandsOptionsAndValues) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> seen;
  };
  const Case cases[] = {
      {{}, {}},
      {{"a", "-", "", "b"}, {"op:a", "op:-", "op:", "op:b"}},
      {{"--flag", "-f", "a"}, {"opt:--flag", "opt:-f", "op:a"}},
      {{"--take", "v", "a"}, {"--take=v", "op:a"}},
      {{"--take=v", "a"}, {"--take=v", "op:a"}},
      {{"--take=", "a"}, {"--take=", "op:a"}},
      {{"--take=x=y"}, {"--take=x=y"}},
      // The next argument is the value whatever it looks like.
      {{"--take", "--flag", "-t", "--"}, {"--take=--flag", "-t=--"}},
      {{"a", "--take"}, {"op:a", "!option --take needs a value"}},
      {{"-t"}, {"!option -t needs a value"}},
      // Only long options carry "=".
      {{"-t=v", "x"}, {"opt:-t=v", "op:x"}},
      {{"--flag=v"}, {"opt:--flag with a value"}},
      {{"--", "--flag", "--", "-t"}, {"op:--flag", "op:--", "op:-t"}},
      {{"a", "--", "b"}, {"op:a", "op:b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    EXPECT_EQ(Scan(c.args), c.seen);
  }
}

}  // namespace

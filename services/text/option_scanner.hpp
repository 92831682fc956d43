#pragma once
// A command line read one argument at a time: operands, and options given
// as NAME, NAME VALUE or --NAME=VALUE.
#include <cstddef>
#include <string>
#include <vector>

class OptionScanner {
 public:
  // `args` (those after the program name) must outlive the scanner.
  explicit OptionScanner(const std::vector<std::string>& args) : args_(args) {}

  // Moves to the next argument, passing over the first "--", after which
  // every argument is an operand. False after the last.
  bool Next();
  // Not an option: not beginning with "-" (an empty one too), "-" itself,
  // or after "--".
  bool IsOperand() const { return operand_; }
  const std::string& Argument() const { return args_[current_]; }
  // An option's name: the whole argument, or what comes before the "=" of
  // a --name=value.
  const std::string& Name() const { return name_; }
  // The option came as --name=value.
  bool HasValue() const { return has_value_; }
  // The text after "=", else the next argument, which is then taken even
  // when it looks like an option. False with "option NAME needs a value" in
  // `error` when there is none.
  bool TakeValue(std::string& value, std::string& error);

 private:
  const std::vector<std::string>& args_;
  size_t current_ = 0;
  size_t next_ = 0;
  bool options_end_ = false;
  bool operand_ = false;
  std::string name_;
  std::string value_;
  bool has_value_ = false;
};

// What an option handler did with the option the scanner stands on.
enum class OptionResult {
  kNotMine,  // left it to others
  kTaken,
  kRefused,  // with a message
};

#include "services/text/option_scanner.hpp"

bool OptionScanner::Next() {
  while (next_ < args_.size()) {
    current_ = next_++;
    const std::string& arg = args_[current_];
    operand_ = options_end_ || arg.empty() || arg[0] != '-' || arg == "-";
    if (!operand_ && arg == "--") {
      options_end_ = true;
      continue;
    }
    name_ = arg;
    value_.clear();
    has_value_ = false;
    size_t equals = arg.find('=');
    if (!operand_ && arg.starts_with("--") && equals != std::string::npos) {
      name_ = arg.substr(0, equals);
      value_ = arg.substr(equals + 1);
      has_value_ = true;
    }
    return true;
  }
  return false;
}

bool OptionScanner::TakeValue(std::string& value, std::string& error) {
  if (has_value_) {
    value = value_;
    return true;
  }
  if (next_ >= args_.size()) {
    error = "option " + name_ + " needs a value";
    return false;
  }
  value = args_[next_++];
  return true;
}

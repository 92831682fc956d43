#include "watcher/log_reading.hpp"

#include <gtest/gtest.h>

namespace {

// Event lines print the number exactly as the log wrote it, and nothing after it.
TEST(NumberText, TheNumberAsWritten) {
  const struct {
    const char* text;
    const char* number;
  } cases[] = {
      {"8.5", "8.5"},        {"  -18.25 C", "-18.25"}, {"+.5", "+.5"},   {"72.50F", "72.50"},
      {"1e3x", "1e3"},       {"7.4D-1 raw", "7.4D-1"}, {"3e", "3"},      {"3e+", "3"},
      {"&H1F rest", "&H1F"}, {"&17", "&17"},           {"12\t13", "12"}, {"-0", "-0"},
  };
  for (const auto& c : cases) EXPECT_EQ(NumberText(c.text), c.number) << c.text;
  EXPECT_EQ(NumberText(std::string_view("4e\0", 3)), "4");
}

}  // namespace

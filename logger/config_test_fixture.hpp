#pragma once
// A fixed clock and a captured console for the configuration routines' tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "logger/functions.hpp"
#include "logger/globals.hpp"
#include "services/console/console.hpp"
#include "services/files/files.hpp"
#include "services/time/clock.hpp"
#include "tests/support/temp_dir.hpp"

namespace config_test {

class FixedClock final : public Clock {
 public:
  LocalTime Now() override { return now; }
  int64_t MonotonicMicros() override { return 0; }
  void SleepMs(int) override {}
  LocalTime now{2013, 10, 8, 14, 5, 9, true};
};

class CapturedConsole final : public ConsoleDevice {
 public:
  void Write(std::string_view bytes) override { out.append(bytes); }
  void CollectKeys(KeyBuffer&) override {}
  bool KeysExhausted() override { return true; }
  std::string out;
};

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetClock(&clock_);
    SetConsoleDevice(&console_);
    CloseAllFiles();
    Settings = SettingsRecord{};
    Arguments = CommandLine{};
    INITALIZEGLOBALS();
  }
  void TearDown() override {
    CloseAllFiles();
    SetConsoleDevice(nullptr);
    SetClock(nullptr);
  }
  const std::string& Printed() const { return console_.out; }

  FixedClock clock_;
  CapturedConsole console_;
};

// Runs each test inside a fresh directory, for names relative to it.
class ConfigTestInTempDir : public ConfigTest {
 protected:
  void SetUp() override {
    ConfigTest::SetUp();
    saved_cwd_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
  }
  void TearDown() override {
    std::filesystem::current_path(saved_cwd_);
    ConfigTest::TearDown();
  }

  TempDir dir_;
  std::filesystem::path saved_cwd_;
};

}  // namespace config_test

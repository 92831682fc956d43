#pragma once
// Every ending of a logger run has a number; a completed run never ends with 0.
#include <cstdint>

enum LoggerExitCode : int32_t {
  kRunGoesOn = 0,
  kExitKeyPressed = 50,     // "Normal exit, User pressed exit key"
  kEndOfTransmission = 51,  // "Normal exit, EOT recieved in data stream"
  kHelpShown = 52,          // banner and "Normal exit, ExitCode: 52"
  kNoIniFile = 53,          // no INI file among the names tried
  kIniOpenFailed = 54,
  kIniReadFailed = 55,
  kIniCloseFailed = 56,
  kPortStrMissing = 57,
  kPortOpenFailed = 58,
  kLogOpenFailed = 59,
  kPortReadFailed = 60,
  kLogWriteFailed = 61,
  kPortCloseFailed = 62,
  kLogCloseFailed = 63,
  kSwitchCloseFailed = 64,
  kSwitchOpenFailed = 65,
};

// The file numbers of a logger run.
constexpr int kIniFileNumber = 1;
constexpr int kPortFileNumber = 2;
constexpr int kLogFileNumber = 3;

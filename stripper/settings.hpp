#pragma once
// The settings and counters of one run of the line filter.
#include <cstdint>
#include <string>

constexpr int8_t kOn = -1;
constexpr int8_t kOff = 0;

struct StripSettings {
  std::string FileIn;
  std::string FileOut;
  std::string SemiOut;
  std::string PrgStr;
  int8_t OverWrite = kOff;
  int8_t AppendMode = kOff;
  int8_t DeleteFile = kOff;
  int8_t Retain = kOff;
  int8_t SplitLine = kOff;
  int8_t AllLines = kOff;
  int8_t MarkMode = kOff;
  int8_t Verbose = kOff;
  int8_t DebugMode = kOff;
  int32_t FileCount = 0;
  std::string HelpText;
};

// Wide enough that no input can wrap them.
struct StripCounters {
  int64_t SemiLines = 0;
  int64_t PartialLines = 0;
  int64_t BlankLines = 0;
  int64_t LineCount = 0;
  int64_t MarkLine = 0;
};

constexpr const char* kModuleName = "Quillcut";
constexpr const char* kMarker = ";;--PROCESSED--;;";

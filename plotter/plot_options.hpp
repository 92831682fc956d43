#pragma once
// brenplot's command line.
#include <cstdint>
#include <string>
#include <vector>

enum class ChartFormat { kTerminal, kSvg, kPng };

struct PlotOptions {
  std::vector<std::string> logs;
  ChartFormat format = ChartFormat::kTerminal;
  std::string output;
  int width = 1200;  // pixels, for files
  int height = 500;
  bool data = false;
  bool has_from = false;
  bool has_to = false;
  int64_t from = 0;  // first second shown
  int64_t to = 0;    // last second shown
  bool has_title = false;
  std::string title;
  bool help = false;
  bool version = false;
};

// Fills `options` from the arguments after the program name. False with a
// message in `error` when they make no sense.
bool ScanPlotOptions(const std::vector<std::string>& args, PlotOptions& options,
                     std::string& error);

extern const char* const kPlotUsage;

#pragma once
// The report's chart: gnuplot draws the buckets' lowest and highest readings
// and the limits as SVG, the stretches beyond a limit shaded.
#include <string>

#include "reporter/report_data.hpp"

// The script; gnuplot writes the SVG to `output`.
std::string ChartPlotScript(const ReportData& data, const std::string& output);

// The SVG element, ready to stand inside HTML; false with the reason (no
// reading, no gnuplot, gnuplot failed) in `why`.
bool DrawChart(const ReportData& data, const std::string& scratch_folder_file, std::string& svg,
               std::string& why);

#pragma once
// The report as CSV (one row per day) and as aligned plain text.
#include "reporter/report_data.hpp"
#include "reporter/report_text.hpp"

extern const char kCsvHeader[];
void WriteCsv(const ReportData& data, ReportText& out);
void WriteText(const ReportData& data, ReportText& out);

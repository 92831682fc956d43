#pragma once
// The report as JSON: the form for programs and for --verify. Numbers at full
// precision; lists written one element at a time.
#include "reporter/report_data.hpp"
#include "reporter/report_text.hpp"

void WriteJson(const ReportData& data, ReportText& out);

#pragma once
// The report as one self-contained HTML page that prints well on A4: no
// request leaves the file (its content security policy forbids any).
#include <string>

#include "reporter/report_data.hpp"
#include "reporter/report_text.hpp"

// `chart_svg` empty: the page says `no_chart_reason` where the chart would be.
void WriteHtml(const ReportData& data, const std::string& chart_svg,
               const std::string& no_chart_reason, ReportText& out);

// Text with &, <, > and quotes escaped.
std::string HtmlEscaped(std::string_view text);

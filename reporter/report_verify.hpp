#pragma once
// --verify: a JSON report's files digested again.
#include <cstdio>
#include <string>

// One line per file, "same", "changed" or "missing" and its name, to `out`.
// The exit code: kReportWritten when all are the same, kReportDiffers when
// not, kReportBadInput (with `error`) when the report cannot be read.
int VerifyReport(const std::string& report, std::FILE* out, std::string& error);

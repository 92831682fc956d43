#pragma once
// Every ending of a brenreport run.

enum ReportExitCode : int {
  kReportWritten = 0,    // every output written; --verify: every file the same
  kReportBadInput = 2,   // bad usage, or a SOURCE, log or alarm log that cannot be used
  kReportNotMade = 3,    // an output could not be made (no browser, no room, ...)
  kReportDiffers = 4,    // --verify: a file changed or missing
};

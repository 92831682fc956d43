#pragma once
// Every ending of a brenwatch run.

enum WatchExitCode : int {
  kWatchEnded = 0,    // a stop request, or --once without an alarm raised
  kBadUsage = 2,      // bad options, or a SOURCE or alarm log that cannot be used
  kAlarmsRaised = 4,  // --once raised at least one alarm
};

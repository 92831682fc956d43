#pragma once
// Every ending of a brenwatch run.

enum WatchExitCode : int {
  kWatchEnded = 0,    // a stop request, or --once without an alarm raised
  kBadUsage = 2,      // bad options, or a SOURCE or alarm log that cannot be used
  kNotShipped = 3,    // --once: a reading refused, or the database away for 60 s
  kAlarmsRaised = 4,  // --once raised at least one alarm
};

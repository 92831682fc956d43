#pragma once
// A request to end the run from outside: SIGINT, SIGTERM or SIGHUP on POSIX,
// Ctrl+C, Ctrl+Break, the console closing or a shutdown on Windows (a log-off
// is no request: a service's process gets it for every user's log-off). The run notices it
// between steps and ends in order instead of being cut off.

// From now on such requests set the flag instead of ending the process; a
// wait in progress (poll, sleep) is cut short where the system allows.
void CatchStopRequests();
bool StopRequested();
// True when the system ends the process within seconds whatever it does (a
// closing console, a shutdown on Windows): the run ends its commands at once
// instead of giving them time.
bool StopIsUrgent();

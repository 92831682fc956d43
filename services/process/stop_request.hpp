#pragma once
// A request to end the run from outside: SIGINT, SIGTERM or SIGHUP on POSIX,
// Ctrl+C, Ctrl+Break or the console closing on Windows. The run notices it
// between steps and ends in order instead of being cut off.

// From now on such requests set the flag instead of ending the process; a
// wait in progress (poll, sleep) is cut short where the system allows.
void CatchStopRequests();
bool StopRequested();

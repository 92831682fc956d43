#pragma once
// brenwatch's lines on standard output (events) and error (problems). While
// following, they go through queues of their own, so a console that takes
// nothing (a selection in a console window, a pipe nobody reads) never holds
// up the alarms, the commands or the stale check; a queue that overflows
// drops the oldest lines and says how many. --once writes them directly: its
// list of events is the result and must be whole.
#include <string>

void QueueConsoleLines();
// `line` without its line end.
void SayEventLine(const std::string& line);
// "brenwatch: " and `text`.
void SayProblem(const std::string& text);
// At the end of a run: what waits gets a few seconds to be written.
void FinishConsoleLines();

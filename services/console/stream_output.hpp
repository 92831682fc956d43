#pragma once
// Standard output and error written by threads of their own, for a program
// whose loop must go on whatever the console does: a selection in a console
// window or a pipe nobody reads holds up only those threads. Each stream
// keeps at most `limit` bytes waiting; beyond that the oldest lines are
// dropped, and a notice in their place says how many.
#include <cstddef>
#include <string_view>

#include "services/console/console_queue.hpp"

enum class StandardStream { kOutput, kError };

// Before the first line; otherwise 256 KiB and the logger's notice.
void SetStreamQueues(size_t limit, NotShownNotice notice);
// Whole lines, each ended by "\n" (written as the system ends lines). Never
// waits for the console.
void QueueStreamText(StandardStream stream, std::string_view text);
// Waits at most `ms` until both streams have written what waits; true when
// they have.
bool DrainStreams(int ms);

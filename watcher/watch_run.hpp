#pragma once
// The two ways of a watch: once over every log (--once), or following the
// logs as they are written until a stop is requested.
#include <functional>

#include "services/process/stop_request.hpp"
#include "watcher/event_output.hpp"
#include "watcher/log_source.hpp"
#include "watcher/screen.hpp"
#include "watcher/watch_options.hpp"

// True when an alarm was raised.
bool WatchOnce(const WatchOptions& options, const LogSource& source, EventOutput& output);

// Until `stopped` says so (asked before each look at the logs and after it);
// `screen` may be null.
void WatchFollowing(const WatchOptions& options, const LogSource& source, EventOutput& output,
                    LiveScreen* screen, const std::function<bool()>& stopped = StopRequested);

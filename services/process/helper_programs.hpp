#pragma once
// Where the helper programs a report is drawn and printed with are: gnuplot,
// and a browser that prints a page to PDF without a window. Empty when none
// is found.
#include <string>
#include <vector>

// gnuplot on PATH; on Windows also in its usual install folder.
std::string GnuplotProgram();
// What to install when GnuplotProgram() finds none.
const char* GnuplotHint();
// Chromium (or Chrome) on PATH on POSIX systems; Edge on Windows, which every
// Windows 10 and 11 has, in its install folder or on PATH.
std::string HeadlessBrowser();
// What to install when HeadlessBrowser() finds none.
const char* HeadlessBrowserHint();
// The browser's command line up to the page: without a window, with a fresh
// profile in `profile_folder`, no first-run work and nothing of its own on
// the network (names resolve to nothing).
std::vector<std::string> HeadlessBrowserCommand(const std::string& browser,
                                                const std::string& profile_folder);

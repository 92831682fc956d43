#pragma once
// Where the helper programs a report is drawn and printed with are: gnuplot,
// and a browser that prints a page to PDF without a window. Empty when none
// is found.
#include <string>

// gnuplot on PATH; on Windows also in its usual install folder.
std::string GnuplotProgram();
// What to install when GnuplotProgram() finds none.
const char* GnuplotHint();
// Chromium (or Chrome) on PATH on POSIX systems; Edge on Windows, which every
// Windows 10 and 11 has, in its install folder or on PATH.
std::string HeadlessBrowser();
// What to install when HeadlessBrowser() finds none.
const char* HeadlessBrowserHint();

#pragma once
// The HTML report printed to PDF by a browser without a window.
#include <string>

// Prints `html_file` into `pdf_file` with a fresh browser profile in
// `profile_folder`. False with the reason (no browser, with the install
// hint; the browser failed) in `why`.
bool PrintPdf(const std::string& html_file, const std::string& pdf_file,
              const std::string& profile_folder, std::string& why);

// The file: URL of a local file.
std::string FileUrl(const std::string& name);

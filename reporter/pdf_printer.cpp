#include "reporter/pdf_printer.hpp"

#include <filesystem>

#include "reporter/scratch_folder.hpp"
#include "services/files/descriptor.hpp"
#include "services/process/external_program.hpp"
#include "services/process/helper_programs.hpp"

std::string FileUrl(const std::string& name) {
  std::string path = std::filesystem::absolute(std::filesystem::path(name)).generic_string();
  std::string url = path.starts_with("/") ? "file://" : "file:///";
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (unsigned char c : path) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '/' || c == '-' || c == '_' || c == '.' || c == '~' || c == ':';
    if (plain) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kDigits[c >> 4];
      url += kDigits[c & 15];
    }
  }
  return url;
}

bool PrintPdf(const std::string& html_file, const std::string& pdf_file,
              const std::string& profile_folder, std::string& why) {
  std::string browser = HeadlessBrowser();
  if (browser.empty()) {
    why = std::string("no browser to print it with: ") + HeadlessBrowserHint();
    return false;
  }
  std::vector<std::string> argv = HeadlessBrowserCommand(browser, profile_folder);
  argv.insert(argv.end(),
              {"--no-pdf-header-footer", "--print-to-pdf=" + pdf_file, FileUrl(html_file)});
  // What it says of its work goes beside its profile, not among our output.
  int said = OpenModeDescriptor(NativeFileName(profile_folder + ".txt"), OpenMode::kOutput);
  ExternalRun run = RunWithInput(argv, "", said, said);
  if (said >= 0) CloseDescriptor(said);
  std::string pdf;
  if (!run.started || run.status != 0 || !ReadFileText(pdf_file, pdf) || !pdf.starts_with("%PDF")) {
    why = browser + " did not print the page" +
          (run.started ? " (exit status " + std::to_string(run.status) + ")" : "");
    return false;
  }
  return true;
}

#include "reporter/report_verify.hpp"

#include <nlohmann/json.hpp>
#include <string_view>

#include "logreader/record_lines.hpp"
#include "reporter/exit_codes.hpp"
#include "services/digest/sha256.hpp"
#include "services/files/files.hpp"

namespace {

bool ReadWhole(const std::string& name, std::string& text) {
  RecordLines lines;
  if (!lines.Open(NativeFileName(name))) return false;
  lines.Observe([&text](const char* data, size_t size) { text.append(data, size); });
  std::string_view line;
  while (lines.Next(line)) {
  }
  return !lines.failed();
}

}  // namespace

int VerifyReport(const std::string& report, std::FILE* out, std::string& error) {
  std::string text;
  if (!ReadWhole(report, text)) {
    error = "cannot read " + report;
    return kReportBadInput;
  }
  nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
  if (json.is_discarded() || !json.is_object() || !json.contains("files") ||
      !json["files"].is_array()) {
    error = report + " is no brenreport JSON report (no list of files)";
    return kReportBadInput;
  }
  bool all_same = true;
  for (const auto& file : json["files"]) {
    if (!file.is_object() || !file.contains("name") || !file["name"].is_string() ||
        !file.contains("sha256") || !file["sha256"].is_string() || !file.contains("bytes") ||
        !file["bytes"].is_number_unsigned()) {
      error = report + " holds a file entry without name, bytes and sha256";
      return kReportBadInput;
    }
    std::string name = file["name"].get<std::string>();
    std::string hex;
    uint64_t bytes = 0;
    const char* verdict = "same";
    if (!FileSha256(name, hex, bytes)) {
      verdict = "missing";
    } else if (hex != file["sha256"].get<std::string>() || bytes != file["bytes"].get<uint64_t>()) {
      verdict = "changed";
    }
    if (std::string_view(verdict) != "same") all_same = false;
    std::fprintf(out, "%-7s  %s\n", verdict, name.c_str());
  }
  std::fflush(out);
  return all_same ? kReportWritten : kReportDiffers;
}

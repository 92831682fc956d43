// Writes the points brenwatch ships for a log as line-protocol files of
// 5,000 points each (batch_000001.lp, ...), for the reference that posts
// them with curl.
//
//   line_protocol_batches LOG FOLDER HOST SENSOR
#include <cstdio>
#include <string>

#include "logreader/log_record.hpp"
#include "logreader/record_lines.hpp"
#include "services/time/local_zone.hpp"
#include "watcher/shipping/shipping_points.hpp"

namespace {

bool Flush(const std::string& folder, int number, const std::string& body) {
  char name[32];
  std::snprintf(name, sizeof name, "/batch_%06d.lp", number);
  std::FILE* out = std::fopen((folder + name).c_str(), "wb");
  if (!out) return false;
  bool good = std::fwrite(body.data(), 1, body.size(), out) == body.size();
  return std::fclose(out) == 0 && good;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: line_protocol_batches LOG FOLDER HOST SENSOR\n");
    return 2;
  }
  std::string prefix, error;
  if (!PointPrefix("temperature", {{"host", argv[3]}, {"sensor", argv[4]}}, prefix, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  RecordLines lines;
  if (!lines.Open(argv[1])) {
    std::perror(argv[1]);
    return 1;
  }
  Stamper stamper(LocalToUtc);
  std::string body;
  int points = 0, files = 0;
  std::string_view line;
  while (lines.Next(line)) {
    Record record = ReadRecord(line);
    if (record.kind != RecordKind::kReading || !record.stamped) continue;
    AppendPoint(body, prefix, record.value, stamper.Stamped(record.seconds));
    if (++points % 5000 == 0) {
      if (!Flush(argv[2], ++files, body)) return 1;
      body.clear();
    }
  }
  if (!body.empty() && !Flush(argv[2], ++files, body)) return 1;
  std::printf("%d\n", points);
  return 0;
}

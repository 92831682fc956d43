#pragma once
// Real time-series databases for end-to-end tests: InfluxDB 1.x and
// VictoriaMetrics, each started on 127.0.0.1 with a free port and a
// temporary folder, stopped by process id. Queried back through curl.
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"

namespace time_series {

using Point = std::pair<int64_t, double>;  // milliseconds, value

inline int FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  close(fd);
  return ntohs(address.sin_port);
}

inline std::string Curl(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = {"/usr/bin/curl", "-s", "--max-time", "20"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return RunProgram(argv, {}, {}, {}, 30000).out;
}

// Every [number, number] pair of a JSON text, in order.
inline std::vector<Point> Pairs(const std::string& json) {
  std::vector<Point> points;
  for (size_t at = json.find('['); at != std::string::npos; at = json.find('[', at + 1)) {
    long long time;
    double value;
    int used = 0;
    if (std::sscanf(json.c_str() + at, "[%lld,%lf]%n", &time, &value, &used) == 2 && used > 0) {
      points.emplace_back(time, value);
    }
  }
  return points;
}

class Server {
 public:
  virtual ~Server() { Kill(); }
  static bool Installed(const char* program) { return FileExists(program); }
  int port() const { return port_; }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  // Starts (again, on the same folder and port); false when it never got ready.
  bool Start() {
    server_ = std::make_unique<Child>(std::vector<std::string>{
        "/bin/sh", "-c", "exec " + Command() + " >>" + folder_.Path("server.log") + " 2>&1"});
    for (int i = 0; i < 150; ++i) {
      if (Ready()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }
  void Kill() {
    if (server_) server_->Signal(SIGKILL), server_->Wait(10000);
    server_.reset();
  }
  virtual std::string WriteUrl() const = 0;
  // Every stored point of the measurement, oldest first.
  virtual std::vector<Point> Points() = 0;

 protected:
  virtual std::string Command() const = 0;
  virtual bool Ready() = 0;
  TempDir folder_;
  int port_ = FreePort();
  std::unique_ptr<Child> server_;
};

class Influx final : public Server {
 public:
  explicit Influx(bool authentication = false) : authentication_(authentication) {
    int rpc = FreePort();
    const std::string& d = folder_.path();
    folder_.Write("influxdb.conf",
                  "reporting-disabled = true\nbind-address = \"127.0.0.1:" + std::to_string(rpc) +
                      "\"\n[meta]\n  dir = \"" + d + "/meta\"\n[data]\n  dir = \"" + d +
                      "/data\"\n  wal-dir = \"" + d +
                      "/wal\"\n  query-log-enabled = false\n[http]\n"
                      "  bind-address = \"127.0.0.1:" +
                      std::to_string(port_) +
                      "\"\n  log-enabled = false\n"
                      "  auth-enabled = " +
                      (authentication ? "true" : "false") +
                      "\n[monitor]\n"
                      "  store-enabled = false\n");
  }
  bool Create() {
    if (!Start()) return false;
    // With authentication on, the first user may be made without credentials.
    if (authentication_) Query("CREATE USER admin WITH PASSWORD 'right' WITH ALL PRIVILEGES");
    return Query("CREATE DATABASE lab").find("error") == std::string::npos;
  }
  std::string Query(const std::string& q) {
    std::vector<std::string> arguments = {
        "-XPOST",           Base() + "/query", "--data-urlencode", "q=" + q,
        "--data-urlencode", "db=lab",          "--data-urlencode", "epoch=ms"};
    if (authentication_) arguments.insert(arguments.end(), {"-u", "admin:right"});
    return Curl(arguments);
  }
  std::string WriteUrl() const override { return Base() + "/write?db=lab"; }
  std::vector<Point> Points() override { return Pairs(Query("SELECT value FROM temperature")); }
  size_t Count() {
    std::vector<Point> count = Pairs(Query("SELECT count(value) FROM temperature"));
    return count.empty() ? 0 : static_cast<size_t>(count[0].second);
  }
  void Write(const std::string& lines) {
    std::vector<std::string> arguments = {"-XPOST", WriteUrl() + "&precision=ms", "--data-binary",
                                          lines};
    if (authentication_) arguments.insert(arguments.end(), {"-u", "admin:right"});
    Curl(arguments);
  }

 private:
  std::string Command() const override {
    return "/usr/bin/influxd -config " + folder_.Path("influxdb.conf");
  }
  bool Ready() override {
    return Curl({"-o", "/dev/null", "-w", "%{http_code}", Base() + "/ping"}) == "204";
  }
  bool authentication_;
};

class Victoria final : public Server {
 public:
  std::string WriteUrl() const override { return Base() + "/write?db=lab"; }
  std::vector<Point> Points() override {
    Curl({Base() + "/internal/force_flush"});
    std::string json = Curl({Base() + "/api/v1/export", "-d", "match[]=temperature_value"});
    // One line per series: {"metric":..,"values":[...],"timestamps":[...]}.
    std::vector<Point> points;
    for (size_t line = 0; line < json.size();) {
      size_t end = json.find('\n', line);
      if (end == std::string::npos) end = json.size();
      std::string text = json.substr(line, end - line);
      size_t v = text.find("\"values\":["), t = text.find("\"timestamps\":[");
      if (v != std::string::npos && t != std::string::npos) {
        std::vector<double> values;
        std::vector<long long> times;
        for (const char* p = text.c_str() + v + 10; *p && *p != ']'; ++p) {
          char* after;
          values.push_back(std::strtod(p, &after));
          p = after;
          if (*p == ']') break;
        }
        for (const char* p = text.c_str() + t + 14; *p && *p != ']'; ++p) {
          char* after;
          times.push_back(std::strtoll(p, &after, 10));
          p = after;
          if (*p == ']') break;
        }
        for (size_t i = 0; i < std::min(values.size(), times.size()); ++i)
          points.emplace_back(times[i], values[i]);
      }
      line = end + 1;
    }
    std::sort(points.begin(), points.end());
    return points;
  }

 private:
  std::string Command() const override {
    return "/usr/bin/victoria-metrics -httpListenAddr 127.0.0.1:" + std::to_string(port_) +
           " -storageDataPath " + folder_.Path("data") + " -dedup.minScrapeInterval=1ms";
  }
  bool Ready() override {
    return Curl({"-o", "/dev/null", "-w", "%{http_code}", Base() + "/health"}) == "200";
  }
};

}  // namespace time_series

#pragma once
// The HTTP seam: one POST at a time, the connection kept for the next one,
// each given up after 60 s whatever the server does.
// HTTPS verifies the server against the system's certificates. Tests put a
// fake in its place.
#include <atomic>
#include <memory>
#include <string>
#include <string_view>

struct HttpAnswer {
  int status = 0;     // 0: no answer came (`error` says why)
  std::string body;   // the server's message, cut to a few KB
  std::string error;  // the transport's own words when status is 0
};

class HttpClient {
 public:
  virtual ~HttpClient() = default;
  // `authorization` is the whole header value ("Token ...", "Basic ..."),
  // empty for none.
  virtual HttpAnswer Post(const std::string& url, const std::string& authorization,
                          std::string_view body) = 0;
};

// When `cancel` is set, a request in progress is given up (no answer) at
// once (within 50 ms on Windows, where its handle is closed from a thread of
// its own).
std::unique_ptr<HttpClient> MakeHttpClient(const std::atomic<bool>* cancel = nullptr);

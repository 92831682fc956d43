#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <memory>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "services/network/http_client.hpp"
#include "services/network/proxy_choice.hpp"

namespace {

constexpr size_t kAnswerLimit = 4096;
// How often a request in progress looks for a stop.
constexpr int kCancelLookMs = 50;
// WinHTTP's own time-outs count per receive: a server that drips a byte at a
// time would hold a request for ever.
constexpr auto kRequestLimit = std::chrono::seconds(60);

std::wstring Wide(std::string_view text) {
  if (text.empty()) return {};
  int length =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string SystemMessage(DWORD code) {
  // Not every winhttp.dll carries its message table.
  switch (code) {
    case ERROR_WINHTTP_CANNOT_CONNECT:
      return "cannot connect to the server";
    case ERROR_WINHTTP_TIMEOUT:
      return "the server did not answer in time";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
      return "the server's name cannot be resolved";
    case ERROR_WINHTTP_CONNECTION_ERROR:
      return "the connection was reset";
    case ERROR_WINHTTP_SECURE_FAILURE:
      return "the server's certificate was not accepted";
    default:
      break;
  }
  char* text = nullptr;
  HMODULE module = GetModuleHandleW(L"winhttp.dll");
  DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                    FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                                module, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length ? std::string(text, length) : "error " + std::to_string(code);
  if (text) LocalFree(text);
  while (!message.empty() &&
         (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
    message.pop_back();
  }
  return message;
}

class Handle {
 public:
  Handle() = default;
  explicit Handle(HINTERNET handle) : handle_(handle) {}
  ~Handle() { Reset(nullptr); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  void Reset(HINTERNET handle) {
    if (handle_) WinHttpCloseHandle(handle_);
    handle_ = handle;
  }
  HINTERNET get() const { return handle_; }
  HINTERNET Release() {
    HINTERNET handle = handle_;
    handle_ = nullptr;
    return handle;
  }

 private:
  HINTERNET handle_ = nullptr;
};

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The proxy the system finds (WPAD, the user's and the machine's settings:
// Windows 8.1 and later), else the machine-wide setting alone.
HINTERNET OpenSession() {
  HINTERNET session = WinHttpOpen(L"brenwatch", WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                  WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  if (session != nullptr) return session;
  return WinHttpOpen(L"brenwatch", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                     WINHTTP_NO_PROXY_BYPASS, 0);
}

// Closing a handle clears the thread's last error: read it first.
HttpAnswer& Failed(HttpAnswer& answer, DWORD code = GetLastError()) {
  answer.status = 0;
  answer.body.clear();
  answer.error = SystemMessage(code);
  return answer;
}

HttpAnswer GivenUp(const char* why) {
  HttpAnswer answer;
  answer.error = std::string("the request was given up: ") + why;
  return answer;
}

HttpAnswer Stopped() {
  return GivenUp("a stop was asked for");
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                   0, nullptr, nullptr);
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length,
                      nullptr, nullptr);
  return text;
}

// One request, made on a thread of its own: a blocking WinHTTP call waits
// out its time-outs (and a name lookup has none of its own), so a stop or
// the overall limit closes the request's handle and leaves the thread with
// everything it still uses; the thread cleans up when it ends.
struct Exchange {
  std::wstring host;
  std::wstring path;
  bool secure = false;
  std::wstring headers;
  std::string body;

  std::mutex mutex;
  std::condition_variable ended;
  HINTERNET request = nullptr;     // open while the request runs
  HINTERNET connection = nullptr;  // the exchange's to close once abandoned
  bool done = false;
  bool abandoned = false;
  bool failed = false;
  HttpAnswer answer;
};

void Run(const std::shared_ptr<Exchange>& exchange, HINTERNET connection) {
  Exchange& x = *exchange;
  HttpAnswer answer;
  HINTERNET request =
      WinHttpOpenRequest(connection, L"POST", x.path.c_str(), nullptr, WINHTTP_NO_REFERER,
                         WINHTTP_DEFAULT_ACCEPT_TYPES, x.secure ? WINHTTP_FLAG_SECURE : 0);
  bool failed = request == nullptr;
  if (failed) Failed(answer);
  {
    std::lock_guard<std::mutex> lock(x.mutex);
    if (x.abandoned && request != nullptr) {
      WinHttpCloseHandle(request);
      request = nullptr;
      failed = true;
    }
    x.request = request;
  }
  if (!failed) {
    // A proxy named in the environment, as libcurl takes it on Linux.
    std::wstring proxy = Wide(ProxyFor(x.secure ? "https" : "http", Narrow(x.host), Environment));
    if (!proxy.empty()) {
      WINHTTP_PROXY_INFO named = {WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxy.data(), nullptr};
      WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &named, sizeof named);
    }
    // A redirect would resend the credentials elsewhere.
    DWORD no_redirects = WINHTTP_DISABLE_REDIRECTS;
    WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &no_redirects, sizeof no_redirects);
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!WinHttpSendRequest(request, x.headers.c_str(), static_cast<DWORD>(x.headers.size()),
                            x.body.data(), static_cast<DWORD>(x.body.size()),
                            static_cast<DWORD>(x.body.size()), 0) ||
        !WinHttpReceiveResponse(request, nullptr) ||
        !WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                             WINHTTP_NO_HEADER_INDEX)) {
      Failed(answer);
      failed = true;
    } else {
      // The whole answer is read, so the connection can carry the next request.
      char buffer[4096];
      DWORD got = 0;
      while (WinHttpReadData(request, buffer, sizeof buffer, &got) && got > 0) {
        if (answer.body.size() < kAnswerLimit) {
          answer.body.append(buffer, std::min<size_t>(got, kAnswerLimit - answer.body.size()));
        }
      }
      answer.status = static_cast<int>(status);
    }
  }
  std::lock_guard<std::mutex> lock(x.mutex);
  if (x.request != nullptr) WinHttpCloseHandle(x.request);
  x.request = nullptr;
  if (x.abandoned && x.connection != nullptr) WinHttpCloseHandle(x.connection);
  x.answer = std::move(answer);
  x.failed = failed;
  x.done = true;
  x.ended.notify_all();
}

class WinHttpClient final : public HttpClient {
 public:
  explicit WinHttpClient(const std::atomic<bool>* cancel) : session_(OpenSession()), cancel_(cancel) {
    // Name lookup too has a limit: 10 s.
    if (session_.get()) WinHttpSetTimeouts(session_.get(), 10000, 10000, 60000, 60000);
  }

  HttpAnswer Post(const std::string& url, const std::string& authorization,
                  std::string_view body) override {
    HttpAnswer answer;
    if (!session_.get()) return Failed(answer);
    std::wstring wide_url = Wide(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(wide_url.c_str(), 0, 0, &parts)) return Failed(answer);
    auto exchange = std::make_shared<Exchange>();
    exchange->host.assign(parts.lpszHostName, parts.dwHostNameLength);
    exchange->path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    exchange->path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    exchange->secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    exchange->headers = L"Content-Type: text/plain; charset=utf-8\r\n";
    if (!authorization.empty()) {
      exchange->headers += L"Authorization: " + Wide(authorization) + L"\r\n";
    }
    exchange->body.assign(body);
    // One connection handle per server, so WinHTTP can keep the socket.
    if (!connection_.get() || exchange->host != host_ || parts.nPort != port_) {
      connection_.Reset(WinHttpConnect(session_.get(), exchange->host.c_str(), parts.nPort, 0));
      host_ = exchange->host;
      port_ = parts.nPort;
      if (!connection_.get()) return Failed(answer);
    }
    if (cancel_ != nullptr && cancel_->load()) return Stopped();
    auto deadline = std::chrono::steady_clock::now() + kRequestLimit;
    std::thread(Run, exchange, connection_.get()).detach();
    std::unique_lock<std::mutex> lock(exchange->mutex);
    while (!exchange->done) {
      bool stopped = cancel_ != nullptr && cancel_->load();
      if (stopped || std::chrono::steady_clock::now() >= deadline) {
        exchange->abandoned = true;
        if (exchange->request != nullptr) WinHttpCloseHandle(exchange->request);
        exchange->request = nullptr;
        // Closed by the exchange when it ends: it may still use it.
        exchange->connection = connection_.Release();
        return stopped ? Stopped() : GivenUp("no whole answer within 60 s");
      }
      exchange->ended.wait_for(lock, std::chrono::milliseconds(kCancelLookMs));
    }
    if (exchange->failed) connection_.Reset(nullptr);
    return exchange->answer;
  }

 private:
  Handle session_;
  const std::atomic<bool>* cancel_;
  Handle connection_;
  std::wstring host_;
  INTERNET_PORT port_ = 0;
};

}  // namespace

std::unique_ptr<HttpClient> MakeHttpClient(const std::atomic<bool>* cancel) {
  return std::make_unique<WinHttpClient>(cancel);
}

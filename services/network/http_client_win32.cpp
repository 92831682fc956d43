#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <string>

#include "services/network/http_client.hpp"

namespace {

constexpr size_t kAnswerLimit = 4096;

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

 private:
  HINTERNET handle_ = nullptr;
};

class WinHttpClient final : public HttpClient {
 public:
  WinHttpClient()
      : session_(WinHttpOpen(L"brenwatch", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                             WINHTTP_NO_PROXY_BYPASS, 0)) {
    if (session_.get()) WinHttpSetTimeouts(session_.get(), 0, 10000, 60000, 60000);
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
    std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    // One connection handle per server, so WinHTTP can keep the socket.
    if (!connection_.get() || host != host_ || parts.nPort != port_) {
      connection_.Reset(WinHttpConnect(session_.get(), host.c_str(), parts.nPort, 0));
      host_ = host;
      port_ = parts.nPort;
      if (!connection_.get()) return Failed(answer);
    }
    Handle request(WinHttpOpenRequest(connection_.get(), L"POST", path.c_str(), nullptr,
                                      WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                      secure ? WINHTTP_FLAG_SECURE : 0));
    if (!request.get()) return Failed(answer);
    // A redirect would resend the credentials elsewhere.
    DWORD no_redirects = WINHTTP_DISABLE_REDIRECTS;
    WinHttpSetOption(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &no_redirects,
                     sizeof no_redirects);
    std::wstring headers = L"Content-Type: text/plain; charset=utf-8\r\n";
    if (!authorization.empty()) headers += L"Authorization: " + Wide(authorization) + L"\r\n";
    if (!WinHttpSendRequest(request.get(), headers.c_str(), static_cast<DWORD>(headers.size()),
                            const_cast<char*>(body.data()), static_cast<DWORD>(body.size()),
                            static_cast<DWORD>(body.size()), 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr)) {
      DWORD code = GetLastError();
      connection_.Reset(nullptr);
      return Failed(answer, code);
    }
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                             WINHTTP_NO_HEADER_INDEX)) {
      DWORD code = GetLastError();
      connection_.Reset(nullptr);
      return Failed(answer, code);
    }
    // The whole answer is read, so the connection can carry the next request.
    char buffer[4096];
    DWORD got = 0;
    while (WinHttpReadData(request.get(), buffer, sizeof buffer, &got) && got > 0) {
      if (answer.body.size() < kAnswerLimit) {
        answer.body.append(buffer, std::min<size_t>(got, kAnswerLimit - answer.body.size()));
      }
    }
    answer.status = static_cast<int>(status);
    return answer;
  }

 private:
  // Closing a handle clears the thread's last error: read it first.
  static HttpAnswer& Failed(HttpAnswer& answer, DWORD code = GetLastError()) {
    answer.status = 0;
    answer.body.clear();
    answer.error = SystemMessage(code);
    return answer;
  }

  Handle session_;
  Handle connection_;
  std::wstring host_;
  INTERNET_PORT port_ = 0;
};

}  // namespace

std::unique_ptr<HttpClient> MakeHttpClient(const std::atomic<bool>*) {
  return std::make_unique<WinHttpClient>();
}

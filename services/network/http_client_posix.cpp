#include <curl/curl.h>
#include <dlfcn.h>

#include <algorithm>
#include <mutex>

#include "services/network/http_client.hpp"

namespace {

constexpr size_t kAnswerLimit = 4096;
constexpr long kRequestMs = 60000;

size_t KeepAnswer(char* data, size_t size, size_t count, void* user) {
  auto* answer = static_cast<std::string*>(user);
  size_t bytes = size * count;
  if (answer->size() < kAnswerLimit) {
    answer->append(data, std::min(bytes, kAnswerLimit - answer->size()));
  }
  return bytes;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* cancel = static_cast<const std::atomic<bool>*>(user);
  return cancel && *cancel ? 1 : 0;
}

// libcurl and its TLS libraries are loaded by the first client only: a
// brenwatch that ships nothing stays small.
struct Curl {
  CURLcode (*global_init)(long);
  CURL* (*easy_init)();
  void (*easy_cleanup)(CURL*);
  void (*easy_reset)(CURL*);
  CURLcode (*easy_setopt)(CURL*, CURLoption, ...);
  CURLcode (*easy_perform)(CURL*);
  CURLcode (*easy_getinfo)(CURL*, CURLINFO, ...);
  const char* (*easy_strerror)(CURLcode);
  curl_slist* (*slist_append)(curl_slist*, const char*);
  void (*slist_free_all)(curl_slist*);
};

template <typename Function>
bool Find(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(library, name));
  return function != nullptr;
}

// Null, with `error` set, when libcurl cannot be loaded.
const Curl* LoadCurl(std::string& error) {
  static Curl curl;
  static const Curl* loaded = nullptr;
  static std::string why;
  static std::once_flag once;
  std::call_once(once, [] {
    void* library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (!library) {
      const char* message = dlerror();
      why = std::string("libcurl cannot be loaded (") + (message ? message : "libcurl.so.4") +
            "); install libcurl4";
      return;
    }
    if (Find(library, "curl_global_init", curl.global_init) &&
        Find(library, "curl_easy_init", curl.easy_init) &&
        Find(library, "curl_easy_cleanup", curl.easy_cleanup) &&
        Find(library, "curl_easy_reset", curl.easy_reset) &&
        Find(library, "curl_easy_setopt", curl.easy_setopt) &&
        Find(library, "curl_easy_perform", curl.easy_perform) &&
        Find(library, "curl_easy_getinfo", curl.easy_getinfo) &&
        Find(library, "curl_easy_strerror", curl.easy_strerror) &&
        Find(library, "curl_slist_append", curl.slist_append) &&
        Find(library, "curl_slist_free_all", curl.slist_free_all) &&
        curl.global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {
      loaded = &curl;
    } else {
      why = "libcurl.so.4 is not a libcurl this program can use";
    }
  });
  error = why;
  return loaded;
}

class CurlClient final : public HttpClient {
 public:
  explicit CurlClient(const std::atomic<bool>* cancel) : cancel_(cancel) {
    curl_ = LoadCurl(load_error_);
    if (curl_) handle_ = curl_->easy_init();
  }
  ~CurlClient() override {
    if (handle_) curl_->easy_cleanup(handle_);
  }

  HttpAnswer Post(const std::string& url, const std::string& authorization,
                  std::string_view body) override {
    HttpAnswer answer;
    if (!handle_) {
      answer.error = curl_ ? "the HTTP library could not start" : load_error_;
      return answer;
    }
    const Curl& c = *curl_;
    c.easy_reset(handle_);
    curl_slist* headers = c.slist_append(nullptr, "Content-Type: text/plain; charset=utf-8");
    std::string authorization_header;
    if (!authorization.empty()) {
      authorization_header = "Authorization: " + authorization;
      headers = c.slist_append(headers, authorization_header.c_str());
    }
    char error[CURL_ERROR_SIZE] = "";
    c.easy_setopt(handle_, CURLOPT_URL, url.c_str());
    c.easy_setopt(handle_, CURLOPT_POST, 1L);
    c.easy_setopt(handle_, CURLOPT_POSTFIELDS, body.data());
    c.easy_setopt(handle_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    c.easy_setopt(handle_, CURLOPT_HTTPHEADER, headers);
    c.easy_setopt(handle_, CURLOPT_WRITEFUNCTION, KeepAnswer);
    c.easy_setopt(handle_, CURLOPT_WRITEDATA, &answer.body);
    c.easy_setopt(handle_, CURLOPT_ERRORBUFFER, error);
    // Shipping runs on its own thread: no signals for timeouts.
    c.easy_setopt(handle_, CURLOPT_NOSIGNAL, 1L);
    c.easy_setopt(handle_, CURLOPT_XFERINFOFUNCTION, Progress);
    c.easy_setopt(handle_, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(cancel_));
    c.easy_setopt(handle_, CURLOPT_NOPROGRESS, 0L);
    c.easy_setopt(handle_, CURLOPT_CONNECTTIMEOUT_MS, 10000L);
    // A server that stops answering mid-request is given up after this.
    c.easy_setopt(handle_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    c.easy_setopt(handle_, CURLOPT_LOW_SPEED_TIME, 60L);
    // Nor may one that drips its answer hold a request longer than this.
    c.easy_setopt(handle_, CURLOPT_TIMEOUT_MS, kRequestMs);
    c.easy_setopt(handle_, CURLOPT_SSL_VERIFYPEER, 1L);
    c.easy_setopt(handle_, CURLOPT_SSL_VERIFYHOST, 2L);
    // A redirect would resend the credentials elsewhere.
    c.easy_setopt(handle_, CURLOPT_FOLLOWLOCATION, 0L);
    // No "Expect: 100-continue" round trip before each batch.
    headers = c.slist_append(headers, "Expect:");
    c.easy_setopt(handle_, CURLOPT_HTTPHEADER, headers);
    CURLcode result = c.easy_perform(handle_);
    if (result == CURLE_OK) {
      long status = 0;
      c.easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &status);
      answer.status = static_cast<int>(status);
    } else {
      answer.body.clear();
      answer.error = error[0] ? error : c.easy_strerror(result);
    }
    c.slist_free_all(headers);
    return answer;
  }

 private:
  const std::atomic<bool>* cancel_;
  const Curl* curl_ = nullptr;
  std::string load_error_;
  CURL* handle_ = nullptr;
};

}  // namespace

std::unique_ptr<HttpClient> MakeHttpClient(const std::atomic<bool>* cancel) {
  return std::make_unique<CurlClient>(cancel);
}

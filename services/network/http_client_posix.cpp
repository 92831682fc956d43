#include <curl/curl.h>

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

class CurlClient final : public HttpClient {
 public:
  explicit CurlClient(const std::atomic<bool>* cancel) : cancel_(cancel) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    handle_ = curl_easy_init();
  }
  ~CurlClient() override {
    if (handle_) curl_easy_cleanup(handle_);
  }

  HttpAnswer Post(const std::string& url, const std::string& authorization,
                  std::string_view body) override {
    HttpAnswer answer;
    if (!handle_) {
      answer.error = "the HTTP library could not start";
      return answer;
    }
    curl_easy_reset(handle_);
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: text/plain; charset=utf-8");
    std::string authorization_header;
    if (!authorization.empty()) {
      authorization_header = "Authorization: " + authorization;
      headers = curl_slist_append(headers, authorization_header.c_str());
    }
    char error[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(handle_, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle_, CURLOPT_POST, 1L);
    curl_easy_setopt(handle_, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(handle_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, KeepAnswer);
    curl_easy_setopt(handle_, CURLOPT_WRITEDATA, &answer.body);
    curl_easy_setopt(handle_, CURLOPT_ERRORBUFFER, error);
    // Shipping runs on its own thread: no signals for timeouts.
    curl_easy_setopt(handle_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle_, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(handle_, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(cancel_));
    curl_easy_setopt(handle_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle_, CURLOPT_CONNECTTIMEOUT_MS, 10000L);
    // A server that stops answering mid-request is given up after this.
    curl_easy_setopt(handle_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle_, CURLOPT_LOW_SPEED_TIME, 60L);
    // Nor may one that drips its answer hold a request longer than this.
    curl_easy_setopt(handle_, CURLOPT_TIMEOUT_MS, kRequestMs);
    curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYHOST, 2L);
    // A redirect would resend the credentials elsewhere.
    curl_easy_setopt(handle_, CURLOPT_FOLLOWLOCATION, 0L);
    // No "Expect: 100-continue" round trip before each batch.
    headers = curl_slist_append(headers, "Expect:");
    curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, headers);
    CURLcode result = curl_easy_perform(handle_);
    if (result == CURLE_OK) {
      long status = 0;
      curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &status);
      answer.status = static_cast<int>(status);
    } else {
      answer.body.clear();
      answer.error = error[0] ? error : curl_easy_strerror(result);
    }
    curl_slist_free_all(headers);
    return answer;
  }

 private:
  const std::atomic<bool>* cancel_;
  CURL* handle_ = nullptr;
};

}  // namespace

std::unique_ptr<HttpClient> MakeHttpClient(const std::atomic<bool>* cancel) {
  return std::make_unique<CurlClient>(cancel);
}

#include "services/network/proxy_choice.hpp"

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Either(const EnvironmentReader& environment, const char* lower, const char* upper) {
  std::string value = environment(lower);
  return value.empty() ? environment(upper) : value;
}

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// NO_PROXY: "*", or names and domains separated by commas; an entry matches
// the host itself and every name below it (a leading dot is the same).
bool Bypassed(const std::string& host, const std::string& list) {
  std::string name = Lower(host);
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    std::string entry = Lower(Trimmed(list.substr(start, end - start)));
    start = end + 1;
    if (entry == "*") return true;
    if (!entry.empty() && entry.front() == '.') entry.erase(0, 1);
    if (entry.empty()) continue;
    if (name == entry) return true;
    if (name.size() > entry.size() && name.compare(name.size() - entry.size(), entry.size(), entry) == 0 &&
        name[name.size() - entry.size() - 1] == '.') {
      return true;
    }
  }
  return false;
}

}  // namespace

std::string ProxyFor(const std::string& scheme, const std::string& host,
                     const EnvironmentReader& environment) {
  // libcurl reads only the lower-case http_proxy: HTTP_PROXY may be set by a
  // web server for its CGI programs. The rest in either case. (Windows finds
  // a variable in any case.)
  std::string proxy = scheme == "https" ? Either(environment, "https_proxy", "HTTPS_PROXY")
                                        : environment("http_proxy");
  if (proxy.empty()) proxy = Either(environment, "all_proxy", "ALL_PROXY");
  if (proxy.empty()) return {};
  if (Bypassed(host, Either(environment, "no_proxy", "NO_PROXY"))) return {};
  return proxy;
}

#include "services/network/proxy_choice.hpp"

#include <gtest/gtest.h>

#include <map>

TEST(ProxyFor, TheEnvironmentAsLibcurlReadsIt) {
  struct Case {
    std::map<std::string, std::string> environment;
    const char* scheme;
    const char* host;
    const char* proxy;
  } cases[] = {
      {{}, "https", "db.lab", ""},
      {{{"HTTPS_PROXY", "http://p:3128"}}, "https", "db.lab", "http://p:3128"},
      {{{"https_proxy", "http://low:1"}, {"HTTPS_PROXY", "http://up:2"}}, "https", "db", "http://low:1"},
      {{{"HTTPS_PROXY", "http://p:3128"}}, "http", "db.lab", ""},
      {{{"http_proxy", "http://p:8080"}}, "http", "db.lab", "http://p:8080"},
      // Upper-case HTTP_PROXY may come from a web server's request headers.
      {{{"HTTP_PROXY", "http://p:8080"}}, "http", "db.lab", ""},
      {{{"ALL_PROXY", "http://all:1"}}, "http", "db.lab", "http://all:1"},
      {{{"https_proxy", "http://p:1"}, {"NO_PROXY", "lab"}}, "https", "db.lab", ""},
      {{{"https_proxy", "http://p:1"}, {"no_proxy", " .Lab , x"}}, "https", "DB.LAB", ""},
      {{{"https_proxy", "http://p:1"}, {"no_proxy", "lab"}}, "https", "dblab", "http://p:1"},
      {{{"https_proxy", "http://p:1"}, {"no_proxy", "*"}}, "https", "anything", ""},
      {{{"https_proxy", "http://p:1"}, {"no_proxy", "127.0.0.1,localhost"}}, "https", "127.0.0.1",
       ""},
      {{{"https_proxy", "http://p:1"}, {"no_proxy", "db.lab.example"}}, "https", "lab.example",
       "http://p:1"},
  };
  for (const Case& c : cases) {
    auto environment = [&](const char* name) {
      auto found = c.environment.find(name);
      return found == c.environment.end() ? std::string() : found->second;
    };
    EXPECT_EQ(ProxyFor(c.scheme, c.host, environment), c.proxy) << c.scheme << "://" << c.host;
  }
}

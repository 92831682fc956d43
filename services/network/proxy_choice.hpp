#pragma once
// The proxy a request goes through, chosen from HTTPS_PROXY, HTTP_PROXY and
// NO_PROXY (or their lower-case names) as libcurl chooses it, so both
// builds agree.
#include <functional>
#include <string>

// Reads one environment variable; empty when unset.
using EnvironmentReader = std::function<std::string(const char* name)>;

// The proxy URL for a request to `host` by `scheme` ("http" or "https");
// empty for a direct request (or the system's own choice).
std::string ProxyFor(const std::string& scheme, const std::string& host,
                     const EnvironmentReader& environment);

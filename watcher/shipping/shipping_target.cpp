#include "watcher/shipping/shipping_target.hpp"

#include <fstream>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kTokenAdvice = "; put the credentials in a file named by --token-file";

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (true) {
    size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

bool HasParameter(const std::vector<std::string_view>& parameters, std::string_view name) {
  for (std::string_view parameter : parameters) {
    if (parameter.substr(0, parameter.find('=')) == name) return true;
  }
  return false;
}

bool HasValue(const std::vector<std::string_view>& parameters, std::string_view name) {
  for (std::string_view parameter : parameters) {
    size_t equals = parameter.find('=');
    if (equals != std::string_view::npos && parameter.substr(0, equals) == name &&
        equals + 1 < parameter.size()) {
      return true;
    }
  }
  return false;
}

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

}  // namespace

bool CheckShipUrl(const std::string& url, ShipTarget& target, std::string& error) {
  std::string_view rest = url;
  size_t scheme_end = rest.find("://");
  std::string_view scheme = scheme_end == std::string_view::npos ? "" : rest.substr(0, scheme_end);
  if (scheme != "http" && scheme != "https") {
    error = "--influx: " + url + " is no http:// or https:// URL";
    return false;
  }
  rest.remove_prefix(scheme_end + 3);
  size_t path_start = rest.find_first_of("/?#");
  std::string_view authority = rest.substr(0, path_start);
  if (authority.find('@') != std::string_view::npos) {
    // The user part alone is refused too: its password would follow it.
    error = "--influx: the URL holds credentials" + std::string(kTokenAdvice);
    return false;
  }
  if (authority.empty()) {
    error = "--influx: " + url + " names no server";
    return false;
  }
  if (rest.find('#') != std::string_view::npos) {
    error = "--influx: " + url + " has a fragment (#)";
    return false;
  }
  std::string_view path_and_query =
      path_start == std::string_view::npos ? "" : rest.substr(path_start);
  size_t question = path_and_query.find('?');
  std::string_view path = path_and_query.substr(0, question);
  std::vector<std::string_view> parameters;
  if (question != std::string_view::npos)
    parameters = Split(path_and_query.substr(question + 1), '&');
  if (HasParameter(parameters, "p") || HasParameter(parameters, "password") ||
      HasParameter(parameters, "token")) {
    error = "--influx: the URL holds a password" + std::string(kTokenAdvice);
    return false;
  }
  if (HasParameter(parameters, "precision")) {
    error = "--influx: leave out precision=, brenwatch writes milliseconds and says so itself";
    return false;
  }
  if (EndsWith(path, "/api/v2/write")) {
    if (!HasValue(parameters, "org") || !HasValue(parameters, "bucket")) {
      error = "--influx: " + url + " needs org= and bucket=";
      return false;
    }
  } else if (EndsWith(path, "/write")) {
    if (!HasValue(parameters, "db")) {
      error = "--influx: " + url + " needs db=";
      return false;
    }
  } else {
    error = "--influx: " + url +
            " is no write URL (.../write?db=NAME or .../api/v2/write?org=O&bucket=B)";
    return false;
  }
  target.url = url;
  target.write_url = url + (question == std::string_view::npos ? "?" : "&") + "precision=ms";
  return true;
}

bool ReadCredentials(const std::string& token_file,
                     const std::optional<std::string>& environment_token, ShipTarget& target,
                     std::string& error) {
  std::string line;
  if (!token_file.empty()) {
    std::ifstream in(token_file, std::ios::binary);
    if (!in) {
      error = "--token-file: cannot read " + token_file;
      return false;
    }
    std::getline(in, line);
    target.credential_source = "token file " + token_file;
  } else if (environment_token) {
    line = environment_token->substr(0, environment_token->find('\n'));
    target.credential_source = "BRENWATCH_TOKEN";
  } else {
    target.authorization.clear();
    target.credential_source = "no credentials";
    return true;
  }
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
    line.pop_back();
  }
  size_t first = line.find_first_not_of(" \t");
  line.erase(0, first == std::string::npos ? line.size() : first);
  if (line.empty()) {
    error = "the " + target.credential_source + " holds no token on its first line";
    return false;
  }
  // API tokens never hold a colon; user:password is what InfluxDB 1.x knows.
  target.authorization =
      line.find(':') == std::string::npos ? "Token " + line : "Basic " + Base64(line);
  return true;
}

std::string Base64(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    unsigned n = static_cast<unsigned char>(bytes[i]) << 16 |
                 static_cast<unsigned char>(bytes[i + 1]) << 8 |
                 static_cast<unsigned char>(bytes[i + 2]);
    out += {kDigits[n >> 18], kDigits[n >> 12 & 63], kDigits[n >> 6 & 63], kDigits[n & 63]};
  }
  if (i + 1 == bytes.size()) {
    unsigned n = static_cast<unsigned char>(bytes[i]) << 16;
    out += {kDigits[n >> 18], kDigits[n >> 12 & 63], '=', '='};
  } else if (i + 2 == bytes.size()) {
    unsigned n =
        static_cast<unsigned char>(bytes[i]) << 16 | static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += {kDigits[n >> 18], kDigits[n >> 12 & 63], kDigits[n >> 6 & 63], '='};
  }
  return out;
}

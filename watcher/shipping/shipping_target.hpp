#pragma once
// Where readings are shipped and with which credentials, checked before
// anything is read. The secret itself stays in `authorization` only: never
// in a message, a URL we print, or a file we write.
#include <optional>
#include <string>

struct ShipTarget {
  std::string url;                // as given; safe to print
  std::string write_url;          // with the precision parameter added
  std::string authorization;      // the header value; empty for none
  std::string credential_source;  // "token file F", "BRENWATCH_TOKEN" or "no credentials"
};

// Accepts http(s)://host[:port]/.../write?db=NAME and
// http(s)://host[:port]/.../api/v2/write?org=O&bucket=B. False with a
// message when the URL is malformed or holds a password.
bool CheckShipUrl(const std::string& url, ShipTarget& target, std::string& error);

// The first line of the token file (or else of `environment_token`): an API
// token, or user:password for HTTP Basic authentication. False with a
// message naming the file when it cannot be read or is empty.
bool ReadCredentials(const std::string& token_file,
                     const std::optional<std::string>& environment_token, ShipTarget& target,
                     std::string& error);

std::string Base64(std::string_view bytes);

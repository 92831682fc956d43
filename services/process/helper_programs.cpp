#include "services/process/helper_programs.hpp"

std::vector<std::string> HeadlessBrowserCommand(const std::string& browser,
                                                const std::string& profile_folder) {
  return {browser,
          "--headless",
          "--no-sandbox",
          "--disable-gpu",
          "--disable-quic",
          "--no-first-run",
          "--disable-background-networking",
          "--disable-component-update",
          "--disable-sync",
          "--disable-extensions",
          "--log-level=3",
          "--host-resolver-rules=MAP * ~NOTFOUND",
          "--user-data-dir=" + profile_folder};
}

// Test helper: sets or clears environment variables for the life of a scope, and puts the
// earlier values back afterwards.
//
// Example:
//   ScopedEnvironment proxy({{"http_proxy", "http://127.0.0.1:3128"}, {"no_proxy", ""}});
#pragma once

#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace korvelin::testing {

class ScopedEnvironment {
 public:
  // A value of nullopt removes the variable.
  using Setting = std::pair<std::string, std::optional<std::string>>;

  ScopedEnvironment(std::initializer_list<Setting> settings) {
    for (const auto& [name, value] : settings) {
      const char* earlier = std::getenv(name.c_str());
      saved_.emplace_back(name, earlier ? std::optional<std::string>(earlier) : std::nullopt);
      Apply(name, value);
    }
  }
  ~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) Apply(it->first, it->second);
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  static void Apply(const std::string& name, const std::optional<std::string>& value) {
    if (value) {
      setenv(name.c_str(), value->c_str(), 1);
    } else {
      unsetenv(name.c_str());
    }
  }

  std::vector<Setting> saved_;
};

// Removes every proxy variable libcurl reads, so that loopback requests go straight to their
// servers whatever the machine's environment says.
inline ScopedEnvironment WithoutProxyVariables() {
  return ScopedEnvironment({{"http_proxy", std::nullopt},
                            {"https_proxy", std::nullopt},
                            {"HTTPS_PROXY", std::nullopt},
                            {"all_proxy", std::nullopt},
                            {"ALL_PROXY", std::nullopt},
                            {"no_proxy", std::nullopt},
                            {"NO_PROXY", std::nullopt}});
}

}  // namespace korvelin::testing

// The redirect policy of the request object: which redirect responses are followed, where to,
// with which verb, and which headers may travel to another origin.
//
// Followed: 301, 302, 303, 307 and 308 with a Location, to http or https, never from https
// down to http, at most kMaxRedirects in a row.
//
// Example:
//   DecideRedirect(302, "https://a/", "http://a/", 0) == RedirectAction::kKeep
//   VerbAfterRedirect(303, "POST") == "GET"
#pragma once

#include <string>
#include <string_view>

namespace korvelin {

inline constexpr int kMaxRedirects = 10;

enum class RedirectAction {
  kKeep,    // the response is the final one (no redirect, or one that is not followed)
  kFollow,  // request `toUrl` next
  kFail,    // the request fails: a redirect to another scheme, a malformed one, or too many
};

// What to do with a response of `status` to a request for `fromUrl` whose Location leads to
// the absolute, escaped `toUrl` (empty without a Location), after `followed` redirects.
[[nodiscard]] RedirectAction DecideRedirect(int status, std::string_view fromUrl,
                                            std::string_view toUrl, int followed);

// The verb of the request that follows a redirect: 303 turns every verb but HEAD into GET, 301
// and 302 turn POST into GET, anything else keeps the verb. A request whose verb changes
// leaves its body behind.
[[nodiscard]] std::string VerbAfterRedirect(int status, std::string_view verb);

// Whether a header set by the caller may go along to a different origin (scheme, host and
// port). Credentials meant for the first server (Cookie, Authorization) may not.
[[nodiscard]] bool MayCrossOrigins(std::string_view headerName);

}  // namespace korvelin

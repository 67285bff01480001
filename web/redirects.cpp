#include "web/redirects.h"

#include <strings.h>

#include <optional>

#include "web/request_url.h"

namespace korvelin {

// ---- internal ------------------------------------------------------------------------------
namespace {

bool IsFollowedStatus(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

RedirectAction DecideRedirect(int status, std::string_view fromUrl, std::string_view toUrl,
                              int followed) {
  if (!IsFollowedStatus(status) || toUrl.empty()) return RedirectAction::kKeep;
  const std::optional<UrlOrigin> from = HttpUrlOrigin(fromUrl);
  const std::optional<UrlOrigin> to = HttpUrlOrigin(toUrl);
  if (!from || !to) return RedirectAction::kFail;
  // Leaving TLS would expose what the request carries; the redirect itself comes back.
  if (from->scheme == "https" && to->scheme == "http") return RedirectAction::kKeep;
  if (followed >= kMaxRedirects) return RedirectAction::kFail;
  return RedirectAction::kFollow;
}

std::string VerbAfterRedirect(int status, std::string_view verb) {
  if (status == 303 && verb != "HEAD") return "GET";
  if ((status == 301 || status == 302) && verb == "POST") return "GET";
  return std::string(verb);
}

bool MayCrossOrigins(std::string_view headerName) {
  return !EqualsIgnoringCase(headerName, "Cookie") &&
         !EqualsIgnoringCase(headerName, "Authorization");
}

}  // namespace korvelin

#include "web/request_headers.h"

#include <climits>

#include "web/base64.h"
#include "web/request_url.h"

namespace korvelin {

// ---- internal ------------------------------------------------------------------------------
namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr int kBasicAuthorisation = 1;
constexpr int kPost = 1;

struct DefaultLine {
  std::string_view probe;
  Text line;
};

// Every dash-separated piece capitalised; the dashes stay where they are.
Text CapitaliseName(std::string_view name) {
  Text out;
  size_t start = 0;
  for (size_t dash = name.find('-'); dash != std::string_view::npos; dash = name.find('-', start)) {
    out += CapitaliseWord(name.substr(start, dash - start)) + "-";
    start = dash + 1;
  }
  return out + CapitaliseWord(name.substr(start));
}

void SetProxyAuthorisation(RequestObject& object, const WebRequestParams& params) {
  if (params.proxy.empty() || params.proxyUser.empty()) return;
  if (params.proxyAuthMode != kBasicAuthorisation) return;
  const Text credentials = Base64Encode(ToBytes(params.proxyUser + ":" + params.proxyPassword));
  object.SetRequestHeader("Proxy-Authorization", "Basic " + credentials);
}

// Only a given cookie text is sent, even an empty one; a "Cookie:" the caller left in it goes.
void SetCookieHeader(RequestObject& object, WebRequestParams& params) {
  if (!params.cookies) return;
  Text& cookies = *params.cookies;
  if (FindText(cookies, "Cookie:", 1, true) != -1) {
    cookies = ReplaceText(cookies, "Cookie:", "", false);
  }
  object.SetRequestHeader("Cookie", cookies);
}

void SetHeaderLine(RequestObject& object, std::string_view line) {
  object.SetRequestHeader(HeaderName(line), HeaderValue(line));
}

// A text without a line break is one header line, sent whatever it holds. Of several lines,
// empty ones and "Connection: keep-alive" (the object keeps connections alive itself) are left
// out.
void SetHeaderLines(RequestObject& object, std::string_view headers) {
  if (FindText(headers, kLineBreak) == -1) {
    SetHeaderLine(object, headers);
    return;
  }
  for (const Text& line : SplitText(headers, kLineBreak)) {
    if (line.empty()) continue;
    if (HeaderName(line) == "Connection" && HeaderValue(line) == "keep-alive") continue;
    SetHeaderLine(object, line);
  }
}

}  // namespace

void AssembleRequestHeaders(RequestObject& object, WebRequestParams& params) {
  if (params.completeHeaders) {
    params.headers = CompleteDefaultHeaders(params.headers, params.url, params.method);
  }
  if (params.normaliseHeaders) params.headers = NormaliseHeaderNames(params.headers);
  SetProxyAuthorisation(object, params);
  SetCookieHeader(object, params);
  SetHeaderLines(object, params.headers);
}

Text CompleteDefaultHeaders(std::string_view headers, std::string_view url, int method) {
  const DefaultLine defaults[] = {
      {"Accept:", "Accept: */*"},
      // A line break in the URL must not start a header line of its own.
      {"Referer:", "Referer: " + EscapeControlBytes(url)},
      {"Accept-Language:", "Accept-Language: zh-cn"},
      {"User-Agent:", "User-Agent: " + Text(DefaultUserAgent)},
      {"Content-Type:", "Content-Type: application/x-www-form-urlencoded"},
  };
  const size_t considered = method == kPost ? std::size(defaults) : std::size(defaults) - 1;
  Text completed(headers);
  for (size_t i = 0; i < considered; ++i) {
    // The probe searches the text as completed so far, appended lines included.
    if (FindText(completed, defaults[i].probe, 1, true) == -1) {
      completed += Text(kLineBreak) + defaults[i].line;
    }
  }
  return completed;
}

Text NormaliseHeaderNames(std::string_view headers) {
  Text out;
  for (const Text& line : SplitText(headers, kLineBreak)) {
    const int colon = FindText(line, ":");
    if (colon == -1) continue;
    out += CapitaliseName(TextLeft(line, colon - 1)) + TextMid(line, colon, INT_MAX) +
           Text(kLineBreak);
  }
  return TextLeft(out, TextLength(out) - TextLength(kLineBreak));
}

Text CapitaliseWord(std::string_view text) {
  return ToUpper(TextLeft(text, 1)) + TextMid(text, 2, INT_MAX);
}

Text HeaderName(std::string_view line) {
  const int colon = FindText(line, ":");
  return colon == -1 ? Text() : TrimBoth(TextLeft(line, colon - 1));
}

Text HeaderValue(std::string_view line) {
  const int colon = FindText(line, ":");
  return colon == -1 ? Text() : TrimBoth(TextMid(line, colon + 1, INT_MAX));
}

}  // namespace korvelin

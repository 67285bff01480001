// Request URLs as they go to the wire: the caller's code page 936 URL becomes UTF-8 with every
// character that may not stand in a URL percent-escaped, and URLs can be taken apart far
// enough to tell their scheme and origin.
//
// What stays as it is: "%" (the caller may have escaped already) and the URL's structure
// (":", "/", "?", "#" up to the fragment, "&", "=", "@", "[", "]", ...). What is escaped: the
// space, control characters, bytes of 0x80 and above, and " < > \ ^ ` { | }. The fragment
// ("#" and what follows) is dropped: it is never sent.
//
// Example:
//   WireUrl("http://h/s?wd=a b|" + G("中")) == "http://h/s?wd=a%20b%7C%E4%B8%AD"
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvelin {

// The code page 936 URL `url` as an escaped UTF-8 URL without its fragment.
[[nodiscard]] std::string WireUrl(std::string_view url);

// The same for a URL that is UTF-8 or raw bytes already (a Location header).
[[nodiscard]] std::string EscapeUrlBytes(std::string_view url);

// `text` with each control character (below 0x20, and 0x7F) percent-escaped and every other
// byte as it is: a URL made safe to stand in a header line (a double-byte character never holds
// a control byte, so code page 936 text stays whole).
[[nodiscard]] std::string EscapeControlBytes(std::string_view text);

// The code page 936 text as one query value: its UTF-8 bytes, each percent-encoded except the
// unreserved A-Z a-z 0-9 "-" "." "_" "~". A keyword so encoded reaches the server whole, even
// when it holds "&", "#", "+", "%", spaces or line breaks.
//
// Example:
//   QueryComponent("C++ " + G("中")) == "C%2B%2B%20%E4%B8%AD"
[[nodiscard]] std::string QueryComponent(std::string_view text);

// Where an absolute http or https URL leads. The scheme is in lower case and a missing port
// is the scheme's default.
struct UrlOrigin {
  std::string scheme;
  std::string host;
  int port = 0;

  friend bool operator==(const UrlOrigin&, const UrlOrigin&) = default;
};

// The origin of an escaped URL; nullopt when the URL is malformed, not absolute, or has a
// scheme other than http and https.
[[nodiscard]] std::optional<UrlOrigin> HttpUrlOrigin(std::string_view url);

}  // namespace korvelin

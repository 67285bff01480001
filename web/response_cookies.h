// The response-cookie stage of a web request: the cookies a response sets, as a cookie text,
// and their merge into the cookie text the caller carries from request to request.
//
// A cookie text is entries separated by ";" and written as entries joined by "; "; an entry is
// normally name=value. Texts are code page 936 bytes; text lists are 1-based where an index is
// given out, and "not found" is -1 (text_primitives.h).
//
// Example:
//   CollectResponseCookies("Set-Cookie: a=1; Path=/\r\nSet-Cookie: b=2") == "a=1; b=2"
//   Text old = "a=1; b=2", fresh = "b=3; c=4";
//   MergeCookies(old, fresh) == "b=3; c=4; a=1"  // and old holds the same text afterwards
#pragma once

#include <string_view>

#include "text/text_primitives.h"

namespace korvelin {

// The first name=value of every "Set-Cookie: " line (that name, that letter case, a space
// after the colon), in header order, joined by "; ". Lines are separated by CR LF.
[[nodiscard]] Text CollectResponseCookies(std::string_view responseHeaders);

// The response's cookies first, in their order, then the old entries whose names the response
// did not set, in theirs. Every space goes (inside values too), entries ending in "=deleted"
// go, repeated identical entries stay once. Writes the result into `oldCookies` and the new
// text without its spaces into `newCookies`.
Text MergeCookies(Text& oldCookies, Text& newCookies);

// The text before the entry's first "=", trimmed of spaces; the whole entry trimmed when it
// has no "=".
[[nodiscard]] Text CookieName(std::string_view entry);

// Whether some entry's CookieName equals `name` byte for byte.
[[nodiscard]] bool HasCookieNamed(const TextArray& entries, std::string_view name);

// The text split at `separator`, with every piece equal to an earlier one dropped, joined by
// `separator` again.
[[nodiscard]] Text JoinDistinct(std::string_view text, std::string_view separator);

// The 1-based index of the first element equal to `text` byte for byte, or -1.
[[nodiscard]] int IndexOfText(const TextArray& list, std::string_view text);

}  // namespace korvelin

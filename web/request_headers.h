// The request-header stage of a web request: it completes the caller's header text with
// browser-like default lines, capitalises the header names, and hands the request object the
// Basic proxy authorisation, the Cookie header and every header line, in that order.
//
// A header text is "Name: value" lines separated by CR LF. Texts are code page 936 bytes;
// positions are 1-based and searches step over double-byte characters (text_primitives.h).
//
// Example:
//   CompleteDefaultHeaders("", "http://a/", 0) == "\r\nAccept: */*\r\nReferer: http://a/"
//       "\r\nAccept-Language: zh-cn\r\nUser-Agent: " + DefaultUserAgent
//   NormaliseHeaderNames("content-type: x\r\nnoise") == "Content-Type: x"
#pragma once

#include <string_view>

#include "text/text_primitives.h"
#include "web/request_object.h"
#include "web/web_request_params.h"

namespace korvelin {

inline constexpr std::string_view DefaultUserAgent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// The whole stage. Reads url, method, headers, cookies, the proxy fields, completeHeaders and
// normaliseHeaders of `params`; rewrites headers and cookies; makes every SetRequestHeader
// call of the request (Proxy-Authorization, Cookie, then the header lines in order). A header
// the object refuses is passed over.
void AssembleRequestHeaders(RequestObject& object, WebRequestParams& params);

// The header text with every missing default line appended after a CR LF: Accept, Referer
// (the url, any control character in it percent-escaped so that the line stays one line),
// Accept-Language, User-Agent, and for method 1 (POST) Content-Type. A default is missing
// when its "Name:" occurs nowhere in the text, letter case ignored.
[[nodiscard]] Text CompleteDefaultHeaders(std::string_view headers, std::string_view url,
                                          int method);

// The header text with every name capitalised at its start and after each "-" (a-z only; the
// rest of the line unchanged), lines without ":" dropped, and no CR LF at the end.
[[nodiscard]] Text NormaliseHeaderNames(std::string_view headers);

// The text with its first byte upper-cased when it is a to z.
[[nodiscard]] Text CapitaliseWord(std::string_view text);

// The text before / after the first ":" of a header line, trimmed of spaces; the empty text
// when the line has no ":".
[[nodiscard]] Text HeaderName(std::string_view line);
[[nodiscard]] Text HeaderValue(std::string_view line);

}  // namespace korvelin

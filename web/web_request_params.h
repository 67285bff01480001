// The parameter record of WebRequest: what to request and how, and the caller's variables into
// which the request writes its results.
//
// Texts are code page 936 bytes (see text/text_primitives.h). Fields marked in/out are read by
// the request and rewritten by it; out-fields are only written.
#pragma once

#include <memory>
#include <optional>

#include "text/text_primitives.h"
#include "web/request_object.h"

namespace korvelin {

struct WebRequestParams {
  Text url;  // in, required; also the value of the default Referer header
  // in: 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE, 7 CONNECT; any other
  // value sends GET.
  int method = 0;
  Text body;  // in: sent when bodyBytes is empty
  // in/out: the cookie text to send as the Cookie header; absent means none is sent and none
  // merged. Written back as sent (without any "Cookie:" prefix) and, when merging, merged.
  std::optional<Text> cookies;
  Text returnedCookies;  // out: "name=value" entries of the response's Set-Cookie lines, "; "
  // in/out: extra header lines separated by CR LF; written back completed and normalised.
  Text headers;
  Text responseHeaders;     // out: as RequestObject::GetAllResponseHeaders gives them
  int status = 0;           // out: the response's status code, 0 when the request failed
  bool noRedirect = false;  // in: true returns a redirect response itself
  Bytes bodyBytes;          // in: sent instead of body when not empty
  Text proxy;               // in: "host:port"; empty means none is set
  // in: seconds for each phase of the request; 0 or negative means 15, -1 leaves the request
  // object's own limits, and values past 2147483 count as 2147483.
  int timeoutSeconds = 0;
  Text proxyUser;         // in: with proxy and proxyAuthMode 1, sent as Basic proxy authorisation
  Text proxyPassword;     // in
  int proxyAuthMode = 1;  // in: 1 = Basic; no other value has an effect
  // in: an existing request object to use instead of a new one; it stays usable afterwards.
  std::shared_ptr<RequestObject> requestObject;
  bool mergeCookies = true;      // in: merge the response cookies into cookies
  bool completeHeaders = true;   // in: add the default header lines that headers lacks
  bool normaliseHeaders = true;  // in: capitalise header names, drop lines without a colon
};

}  // namespace korvelin

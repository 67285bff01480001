#include "web/web_request.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "web/request_headers.h"
#include "web/response_cookies.h"

namespace korvelin {

// ---- internal ------------------------------------------------------------------------------
namespace {

constexpr std::array<std::string_view, 8> kVerbs = {"GET",     "POST",   "HEAD",  "PUT",
                                                    "OPTIONS", "DELETE", "TRACE", "CONNECT"};
constexpr int kKeepObjectTimeouts = -1;
constexpr int kDefaultTimeoutSeconds = 15;
// The largest number of seconds whose milliseconds still fit a signed 32-bit integer.
constexpr int kMaxTimeoutSeconds = 2147483;

std::string_view VerbFor(int method) {
  return method >= 0 && method < static_cast<int>(kVerbs.size()) ? kVerbs[method] : kVerbs[0];
}

int TimeoutMilliseconds(int timeoutSeconds) {
  const int seconds =
      timeoutSeconds >= 1 ? std::min(timeoutSeconds, kMaxTimeoutSeconds) : kDefaultTimeoutSeconds;
  return seconds * 1000;
}

void PrepareRequest(RequestObject& object, const WebRequestParams& params) {
  if (params.timeoutSeconds != kKeepObjectTimeouts) {
    const int t = TimeoutMilliseconds(params.timeoutSeconds);
    object.SetTimeouts(t, t, t, t);
  }
  if (!params.proxy.empty()) object.SetProxy(kProxySettingProxy, params.proxy);
  object.Open(VerbFor(params.method), params.url, false);
  if (params.noRedirect) object.Option(kOptionEnableRedirects, 0);
  object.Option(kOptionSslErrorIgnoreFlags, kIgnoreCertificateErrors);
}

void SendBody(RequestObject& object, const WebRequestParams& params) {
  if (!params.bodyBytes.empty()) {
    object.SendBytes(params.bodyBytes);
  } else {
    object.Send(params.body);
  }
}

// Reads the response into the record. After a failed Send the reads give empty values, and
// the cookie stage works on those.
void ReadResponse(RequestObject& object, WebRequestParams& params) {
  params.responseHeaders = object.GetAllResponseHeaders();
  params.status = object.Status();
  params.returnedCookies = CollectResponseCookies(params.responseHeaders);
  if (params.mergeCookies && params.cookies) {
    params.returnedCookies = MergeCookies(*params.cookies, params.returnedCookies);
  }
}

}  // namespace

Bytes WebRequest(WebRequestParams& params) { return WebRequest(params, CreateRequestObject); }

Bytes WebRequest(WebRequestParams& params, const RequestObjectFactory& create) {
  // The platform's component library needs no initialisation here. The method is limited to
  // the verb table without touching the record: nothing is written before the object exists,
  // and the header stage only asks whether the method is POST, which no other value is.
  std::shared_ptr<RequestObject> object = params.requestObject;
  if (!object && create) object = create();
  if (!object) return {};

  PrepareRequest(*object, params);
  AssembleRequestHeaders(*object, params);
  SendBody(*object, params);
  Bytes body = object->ResponseBody();
  ReadResponse(*object, params);
  return body;
}

}  // namespace korvelin

// WebRequest: one synchronous HTTP request with browser-like default headers, optional proxy,
// cookie handling and time-outs. It returns the response body and writes the response's
// headers, status and cookies into the caller's record.
//
// Failures are values: a request that fails (no connection, a time-out, a refused redirect,
// ...) returns empty bytes with status 0, empty responseHeaders and no returned cookies; when
// no request object can be made, nothing at all is written into the record.
//
// Example:
//   WebRequestParams params;
//   params.url = "https://www.baidu.com/s?wd=" + keyword;
//   params.timeoutSeconds = 3;
//   Bytes page = WebRequest(params);  // params.status == 200 on success
#pragma once

#include <functional>
#include <memory>

#include "text/text_primitives.h"
#include "web/request_object.h"
#include "web/web_request_params.h"

namespace korvelin {

// Makes the request object for a request; nullptr when none can be made.
using RequestObjectFactory = std::function<std::shared_ptr<RequestObject>()>;

// The response body (a copy the caller owns); empty when the response has none or the request
// failed. Uses params.requestObject when given, else a new object from CreateRequestObject.
Bytes WebRequest(WebRequestParams& params);

// The same with the objects made by `create` (a caller that needs to control where request
// objects come from, tests for instance).
Bytes WebRequest(WebRequestParams& params, const RequestObjectFactory& create);

}  // namespace korvelin

// The HTTP request object: one synchronous HTTP request at a time, driven by the same
// operations as the Windows WinHttpRequest object (SetTimeouts, SetProxy, Open, Option,
// SetRequestHeader, Send, ResponseBody, GetAllResponseHeaders, Status).
//
// Contract of every implementation:
//   - No operation throws. A call that fails has no effect and returns false; a read that has
//     nothing to give returns an empty value or 0.
//   - Texts in (URL, header names and values, a text body) are code page 936 bytes. Texts out
//     (response headers) are the bytes from the wire, taken as code page 936 unchanged.
//   - A request runs Open, any SetRequestHeader calls, then one Send. Open, whether it succeeds
//     or not, forgets the request and the response before it; time-outs, proxy and options stay
//     with the object for every later request.
//
// Example:
//   std::shared_ptr<RequestObject> request = CreateRequestObject();
//   if (request && request->Open("GET", "http://127.0.0.1:8080/s?wd=x", false)) {
//     request->SetRequestHeader("Accept", "*/*");
//     request->Send("");
//     int status = request->Status();  // 0 when the request failed
//   }
#pragma once

#include <memory>
#include <string_view>

#include "text/text_primitives.h"

namespace korvelin {

// SetProxy settings.
inline constexpr int kProxySettingDefault = 0;  // the proxy environment variables
inline constexpr int kProxySettingDirect = 1;   // no proxy at all
inline constexpr int kProxySettingProxy = 2;    // the proxy that SetProxy names

// Option indexes and values.
inline constexpr int kOptionSslErrorIgnoreFlags = 4;
inline constexpr int kOptionEnableRedirects = 6;
// Unknown authority (0x0100), wrong usage (0x0200), wrong host name (0x1000), bad date (0x2000).
inline constexpr int kIgnoreCertificateErrors = 0x3300;

class RequestObject {
 public:
  virtual ~RequestObject() = default;

  // Limits in milliseconds for name resolution, connecting, sending and receiving. 0 or -1
  // means no limit for that phase; a value below -1 fails the call. Resolution and connecting
  // share one limit (their sum); sending and receiving each fail a transfer that moves no byte
  // for that long; the sum of all four bounds the request as a whole, redirects included.
  // Before any call: no resolution limit, 60 s connect, 30 s send, 30 s receive.
  virtual bool SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) = 0;

  // kProxySettingProxy with "host:port" (or "http://host:port") sends plain HTTP through that
  // proxy and tunnels HTTPS through it with CONNECT. kProxySettingDefault goes back to the proxy
  // environment variables (http_proxy, https_proxy, no_proxy), which apply until SetProxy is
  // called; kProxySettingDirect uses no proxy. Anything else fails.
  virtual bool SetProxy(int setting, std::string_view proxy) = 0;

  // Prepares a request. `url` is a code page 936 text with an http or https scheme; it goes to
  // the wire as UTF-8 with every character that may not stand in a URL percent-escaped, and
  // without its fragment. Fails for another scheme, a malformed URL, a verb that is no HTTP
  // token, or `asynchronous` true (only synchronous requests are offered); the object then
  // holds no prepared request, and SetRequestHeader and Send fail until the next Open.
  virtual bool Open(std::string_view verb, std::string_view url, bool asynchronous) = 0;

  // kOptionEnableRedirects: 0 returns a redirect response itself, any other value follows
  // redirects (the default: http and https only, never from https down to http, at most 10 in
  // a row; a refused or endless chain fails the request). kOptionSslErrorIgnoreFlags: with
  // kIgnoreCertificateErrors certificate errors are ignored; without it certificates are
  // verified. Other indexes fail.
  virtual bool Option(int index, int value) = 0;

  // Adds a header to the prepared request; a second header of the same name (letter case
  // ignored) replaces the first. The value may be empty. Fails without a prepared request, for
  // an empty name, a name that is no HTTP token, or a value holding CR, LF, NUL or another
  // control character but the tab (a header must never break into further lines).
  virtual bool SetRequestHeader(std::string_view name, std::string_view value) = 0;

  // Performs the prepared request and waits for the response or a time-out. A text body goes
  // out as UTF-8, a byte body as it is; a GET sends no body. Only the headers set here go out,
  // besides Host and what HTTP itself needs (Content-Length, for instance). Fails without a
  // prepared request; a failed request leaves no response behind (empty body and headers,
  // status 0), and so does a response cut off in its head, a head beyond 256 KiB or a body
  // beyond 64 MiB.
  virtual bool Send(std::string_view text) = 0;
  virtual bool SendBytes(std::string_view bytes) = 0;

  // The body of the last response, as it came (no decompression).
  [[nodiscard]] virtual Bytes ResponseBody() const = 0;
  // The header lines of the last response, without its status line, as "Name: value" joined
  // by CR LF; headers of interim (1xx) and redirect responses are not included.
  [[nodiscard]] virtual Text GetAllResponseHeaders() const = 0;
  // The status code of the last response; 0 when there is none.
  [[nodiscard]] virtual int Status() const = 0;
};

// A new request object over libcurl, or nullptr when none can be made.
[[nodiscard]] std::shared_ptr<RequestObject> CreateRequestObject();

}  // namespace korvelin

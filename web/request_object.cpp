#include "web/request_object.h"

#include <strings.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <utility>

#include "text/codepage.h"
#include "web/http_transfer.h"
#include "web/redirects.h"
#include "web/request_url.h"

namespace korvelin {

// ---- internal ------------------------------------------------------------------------------
namespace {

// Certificate errors that only switching off the whole chain check can ignore: unknown
// authority, wrong usage and a bad date. A wrong host name can be ignored on its own.
constexpr int kChainErrors = 0x0100 | 0x0200 | 0x2000;
constexpr int kHostNameError = 0x1000;

// Runs an operation so that no exception leaves the object; a throwing one has failed.
template <typename Operation>
bool Guarded(Operation operation) {
  try {
    return operation();
  } catch (...) {
    return false;
  }
}

bool IsTokenByte(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
         std::string_view("!#$%&'*+-.^_`|~").find(static_cast<char>(c)) != std::string_view::npos;
}

bool IsToken(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return IsTokenByte(static_cast<unsigned char>(c));
  });
}

bool IsHeaderValue(std::string_view value) {
  return std::none_of(value.begin(), value.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && byte != '\t') || byte == 0x7F;
  });
}

bool IsProxyAddress(std::string_view proxy) {
  if (proxy.empty()) return false;
  const size_t scheme = proxy.find("://");
  if (scheme != std::string_view::npos &&
      (scheme != 4 || strncasecmp(proxy.data(), "http", 4) != 0)) {
    return false;
  }
  return std::all_of(proxy.begin(), proxy.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte > 0x20 && byte < 0x7F;
  });
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// GET and HEAD send no body; POST and PUT always do, an empty one too; other verbs when there
// is one.
std::optional<std::string> BodyFor(std::string_view verb, std::string_view body) {
  if (verb == "GET" || verb == "HEAD") return std::nullopt;
  if (body.empty() && verb != "POST" && verb != "PUT") return std::nullopt;
  return std::string(body);
}

// Turns `exchange` into the request for the redirect target `next`.
void FollowRedirect(TransferRequest& exchange, int status, std::string next) {
  const std::string verb = VerbAfterRedirect(status, exchange.verb);
  if (verb != exchange.verb) {
    exchange.verb = verb;
    exchange.body = BodyFor(verb, "");
  }
  if (HttpUrlOrigin(next) != HttpUrlOrigin(exchange.url)) {
    std::erase_if(exchange.headers,
                  [](const auto& header) { return !MayCrossOrigins(header.first); });
  }
  exchange.url = std::move(next);
}

struct PreparedRequest {
  std::string verb;
  std::string url;  // as it goes to the wire
  std::vector<std::pair<Text, Text>> headers;
};

class CurlRequestObject final : public RequestObject {
 public:
  explicit CurlRequestObject(std::unique_ptr<HttpTransfer> transfer)
      : transfer_(std::move(transfer)) {}

  bool SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) override {
    if (std::min({resolveMs, connectMs, sendMs, receiveMs}) < -1) return false;
    const auto limit = [](int ms) { return std::max(ms, 0); };  // -1 and 0: no limit
    timeouts_ = {limit(resolveMs), limit(connectMs), limit(sendMs), limit(receiveMs)};
    return true;
  }

  bool SetProxy(int setting, std::string_view proxy) override {
    return Guarded([&] {
      switch (setting) {
        case kProxySettingDefault:
          proxyChoice_ = ProxyChoice::kEnvironment;
          return true;
        case kProxySettingDirect:
          proxyChoice_ = ProxyChoice::kDirect;
          return true;
        case kProxySettingProxy:
          if (!IsProxyAddress(proxy)) return false;
          proxyChoice_ = ProxyChoice::kNamed;
          proxy_ = proxy;
          return true;
        default:
          return false;
      }
    });
  }

  bool Open(std::string_view verb, std::string_view url, bool asynchronous) override {
    prepared_.reset();
    response_ = {};
    return Guarded([&] {
      if (asynchronous || !IsToken(verb)) return false;
      std::string wireUrl = WireUrl(url);
      if (!HttpUrlOrigin(wireUrl)) return false;
      prepared_ = PreparedRequest{std::string(verb), std::move(wireUrl), {}};
      return true;
    });
  }

  bool Option(int index, int value) override {
    switch (index) {
      case kOptionSslErrorIgnoreFlags:
        ignoredCertificateErrors_ = value;
        return true;
      case kOptionEnableRedirects:
        followRedirects_ = value != 0;
        return true;
      default:
        return false;
    }
  }

  bool SetRequestHeader(std::string_view name, std::string_view value) override {
    return Guarded([&] {
      if (!prepared_ || !IsToken(name) || !IsHeaderValue(value)) return false;
      auto& headers = prepared_->headers;
      const auto same = std::find_if(headers.begin(), headers.end(), [name](const auto& header) {
        return SameName(header.first, name);
      });
      if (same != headers.end()) {
        same->second = value;
      } else {
        headers.emplace_back(Text(name), Text(value));
      }
      return true;
    });
  }

  bool Send(std::string_view text) override {
    return Guarded([&] { return Perform(Utf16ToUtf8(GbkToUtf16(text))); });
  }

  bool SendBytes(std::string_view bytes) override {
    return Guarded([&] { return Perform(bytes); });
  }

  // A copy that cannot be made reads as nothing.
  Bytes ResponseBody() const override {
    try {
      return response_.body;
    } catch (...) {
      return {};
    }
  }
  Text GetAllResponseHeaders() const override {
    try {
      return response_.headers;
    } catch (...) {
      return {};
    }
  }
  int Status() const override { return response_.status; }

 private:
  // Runs the prepared request, following redirects as the options say.
  bool Perform(std::string_view body) {
    if (!prepared_) return false;
    response_ = {};
    TransferRequest exchange = FirstExchange(std::move(*prepared_), body);
    prepared_.reset();
    for (int followed = 0;; ++followed) {
      TransferResult result = transfer_->Perform(exchange);
      if (!result.ok) return false;
      std::string next = EscapeUrlBytes(result.redirectUrl);
      const RedirectAction action =
          followRedirects_ ? DecideRedirect(result.status, exchange.url, next, followed)
                           : RedirectAction::kKeep;
      if (action == RedirectAction::kFail) return false;
      if (action == RedirectAction::kKeep) {
        response_ = std::move(result);
        return true;
      }
      FollowRedirect(exchange, result.status, std::move(next));
    }
  }

  TransferRequest FirstExchange(PreparedRequest request, std::string_view body) const {
    TransferRequest exchange;
    exchange.body = BodyFor(request.verb, body);
    exchange.url = std::move(request.url);
    exchange.verb = std::move(request.verb);
    exchange.headers = std::move(request.headers);
    exchange.proxyChoice = proxyChoice_;
    exchange.proxy = proxy_;
    exchange.verifyPeer = (ignoredCertificateErrors_ & kChainErrors) != kChainErrors;
    exchange.verifyHost = (ignoredCertificateErrors_ & kHostNameError) == 0;
    exchange.timeouts = timeouts_;
    if (const long long wholeMs = timeouts_.WholeRequestLimitMs(); wholeMs > 0) {
      exchange.deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wholeMs);
    }
    return exchange;
  }

  std::unique_ptr<HttpTransfer> transfer_;
  RequestTimeouts timeouts_;
  ProxyChoice proxyChoice_ = ProxyChoice::kEnvironment;
  std::string proxy_;
  bool followRedirects_ = true;
  int ignoredCertificateErrors_ = 0;
  std::optional<PreparedRequest> prepared_;
  TransferResult response_;  // empty while there is no response
};

}  // namespace

std::shared_ptr<RequestObject> CreateRequestObject() {
  try {
    std::unique_ptr<HttpTransfer> transfer = HttpTransfer::Create();
    if (!transfer) return nullptr;
    return std::make_shared<CurlRequestObject>(std::move(transfer));
  } catch (...) {
    return nullptr;
  }
}

}  // namespace korvelin

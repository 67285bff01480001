#include "web/http_transfer.h"

#include <curl/curl.h>
#include <strings.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <string_view>

#include "web/response_head.h"

namespace korvelin {

// ---- internal ------------------------------------------------------------------------------
namespace {

using Clock = std::chrono::steady_clock;

struct EasyDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;

struct ListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, ListDeleter>;

bool GlobalInit() {
  static const bool ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return ok;
}

struct ShareDeleter {
  void operator()(CURLSH* share) const { curl_share_cleanup(share); }
};
using ShareHandle = std::unique_ptr<CURLSH, ShareDeleter>;

// The pool every transfer shares: connections, TLS sessions and name look-ups, each kind of
// data guarded by a lock of its own. Made after libcurl's global set-up, so that it goes before
// the TLS library's own clean-up at exit; an easy handle still attached then makes libcurl
// refuse the clean-up and leave the pool to the process's end.
class SharedPool {
 public:
  SharedPool() : share_(curl_share_init()) {
    CURLSH* share = share_.get();
    const bool ok =
        share && curl_share_setopt(share, CURLSHOPT_LOCKFUNC, Lock) == CURLSHE_OK &&
        curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, Unlock) == CURLSHE_OK &&
        curl_share_setopt(share, CURLSHOPT_USERDATA, this) == CURLSHE_OK &&
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT) == CURLSHE_OK &&
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION) == CURLSHE_OK &&
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS) == CURLSHE_OK;
    if (!ok) share_.reset();
  }

  // nullptr when libcurl could not make the pool: transfers then keep their own connections.
  [[nodiscard]] CURLSH* share() const { return share_.get(); }

 private:
  static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
    static_cast<SharedPool*>(user)->Mutex(data).lock();
  }
  static void Unlock(CURL*, curl_lock_data data, void* user) {
    static_cast<SharedPool*>(user)->Mutex(data).unlock();
  }
  std::mutex& Mutex(curl_lock_data data) {
    const auto index = static_cast<size_t>(data);
    return locks_[index < locks_.size() ? index : 0];
  }

  std::array<std::mutex, CURL_LOCK_DATA_LAST> locks_;
  ShareHandle share_;  // after the locks, so that it goes first
};

std::atomic<bool> sharingConnections{true};

CURLSH* SharedConnections() {
  static SharedPool pool;
  return sharingConnections ? pool.share() : nullptr;
}

// What the callbacks of one exchange share. The stall clock starts once the connection is up
// (the connect limit governs before) and restarts with every byte that moves.
struct Exchange {
  ResponseHead head;
  Bytes body;
  size_t headBytes = 0;
  bool connected = false;
  Clock::time_point lastActivity = Clock::now();
  curl_off_t lastDown = 0;
  curl_off_t lastUp = 0;
  long long sendStallMs = 0;
  long long receiveStallMs = 0;
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto& exchange = *static_cast<Exchange*>(user);
  const size_t n = size * count;
  // A count in the callback, since the size limit of libcurl misses bodies without a length.
  if (n > kMaxResponseBodyBytes - exchange.body.size()) return 0;
  try {
    exchange.body.append(data, n);
  } catch (...) {
    return 0;
  }
  exchange.lastActivity = Clock::now();
  return n;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto& exchange = *static_cast<Exchange*>(user);
  const size_t n = size * count;
  if (n > kMaxResponseHeadBytes - exchange.headBytes) return 0;
  exchange.headBytes += n;
  try {
    exchange.head.AddLine(std::string_view(data, n));
  } catch (...) {
    return 0;
  }
  exchange.lastActivity = Clock::now();
  return n;
}

int OnProgress(void* user, curl_off_t, curl_off_t downloaded, curl_off_t uploadTotal,
               curl_off_t uploaded) {
  auto& exchange = *static_cast<Exchange*>(user);
  const Clock::time_point now = Clock::now();
  if (downloaded != exchange.lastDown || uploaded != exchange.lastUp) {
    exchange.lastDown = downloaded;
    exchange.lastUp = uploaded;
    exchange.lastActivity = now;
  }
  if (!exchange.connected) return 0;
  const bool sending = uploadTotal > 0 && uploaded < uploadTotal;
  const long long stallMs = sending ? exchange.sendStallMs : exchange.receiveStallMs;
  const auto quiet =
      std::chrono::duration_cast<std::chrono::milliseconds>(now - exchange.lastActivity);
  return stallMs > 0 && quiet.count() > stallMs ? 1 : 0;  // non-zero aborts the exchange
}

int OnConnected(void* user, char*, char*, int, int) {
  auto& exchange = *static_cast<Exchange*>(user);
  exchange.connected = true;
  exchange.lastActivity = Clock::now();
  return CURL_PREREQFUNC_OK;
}

bool IsNamed(const std::pair<Text, Text>& header, std::string_view name) {
  return header.first.size() == name.size() &&
         strncasecmp(header.first.data(), name.data(), name.size()) == 0;
}

bool HasHeader(const TransferRequest& request, std::string_view name) {
  return std::any_of(request.headers.begin(), request.headers.end(),
                     [name](const auto& header) { return IsNamed(header, name); });
}

bool Append(HeaderList& list, const std::string& line) {
  curl_slist* grown = curl_slist_append(list.get(), line.c_str());
  if (grown == nullptr) return false;
  (void)list.release();  // `grown` is the same list, or a new one when it was empty
  list.reset(grown);
  return true;
}

// libcurl drops a header given as "Name:" with nothing after the colon, and sends an empty one
// only when written "Name;".
std::string HeaderLine(const std::pair<Text, Text>& header) {
  const bool blank = header.second.find_first_not_of(" \t") == std::string::npos;
  return blank ? header.first + ";" : header.first + ": " + header.second;
}

struct HeaderLists {
  HeaderList server;
  HeaderList proxy;
};

// The caller's headers, and the removal of each header libcurl would add of its own.
bool BuildHeaderLists(const TransferRequest& request, HeaderLists& lists) {
  bool ok = true;
  for (const auto& header : request.headers) {
    HeaderList& list = IsNamed(header, "Proxy-Authorization") ? lists.proxy : lists.server;
    ok = ok && Append(list, HeaderLine(header));
  }
  if (!HasHeader(request, "Accept")) ok = ok && Append(lists.server, "Accept:");
  if (!HasHeader(request, "Expect")) ok = ok && Append(lists.server, "Expect:");
  if (request.body && !HasHeader(request, "Content-Type")) {
    ok = ok && Append(lists.server, "Content-Type:");
  }
  if (!HasHeader(request, "Proxy-Connection")) {
    ok =
        ok && Append(lists.server, "Proxy-Connection:") && Append(lists.proxy, "Proxy-Connection:");
  }
  return ok;
}

// Collects the result of every option setting of one exchange.
class Options {
 public:
  explicit Options(CURL* curl) : curl_(curl) {}

  template <typename Value>
  Options& Set(CURLoption option, Value value) {
    ok_ = ok_ && curl_easy_setopt(curl_, option, value) == CURLE_OK;
    return *this;
  }

  [[nodiscard]] bool ok() const { return ok_; }

 private:
  CURL* curl_;
  bool ok_ = true;
};

void SetWire(Options& options, const TransferRequest& request, const HeaderLists& lists) {
  options.Set(CURLOPT_URL, request.url.c_str())
      .Set(CURLOPT_PROTOCOLS_STR, "http,https")
      .Set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https")
      .Set(CURLOPT_FOLLOWLOCATION, 0L)
      .Set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1))
      .Set(CURLOPT_NOSIGNAL, 1L)
      .Set(CURLOPT_HTTP_CONTENT_DECODING, 0L)
      .Set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L)
      .Set(CURLOPT_HTTPHEADER, lists.server.get())
      .Set(CURLOPT_PROXYHEADER, lists.proxy.get())
      .Set(CURLOPT_SSL_VERIFYPEER, request.verifyPeer ? 1L : 0L)
      .Set(CURLOPT_SSL_VERIFYHOST, request.verifyHost ? 2L : 0L);
  // A proxy checks credentials once per connection (a tunnel's CONNECT): a connection that
  // carried them serves no other exchange, and an exchange with them never takes one that did not.
  if (HasHeader(request, "Proxy-Authorization")) {
    options.Set(CURLOPT_FRESH_CONNECT, 1L).Set(CURLOPT_FORBID_REUSE, 1L);
  }
}

// GET and HEAD carry no body; a body goes out as posted data under the request's own verb.
void SetVerb(Options& options, const TransferRequest& request) {
  if (request.verb == "HEAD") {
    options.Set(CURLOPT_NOBODY, 1L);
    return;
  }
  if (request.body) {
    options.Set(CURLOPT_POST, 1L)
        .Set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body->size()))
        .Set(CURLOPT_POSTFIELDS, request.body->data());
  } else {
    options.Set(CURLOPT_HTTPGET, 1L);
  }
  if (request.verb != "GET" && request.verb != "POST") {
    options.Set(CURLOPT_CUSTOMREQUEST, request.verb.c_str());
  }
}

// The environment's proxy variables apply unless a proxy is named or none is wanted; a named
// proxy applies to every host, whatever no_proxy says.
void SetProxy(Options& options, const TransferRequest& request) {
  switch (request.proxyChoice) {
    case ProxyChoice::kEnvironment:
      break;
    case ProxyChoice::kDirect:
      options.Set(CURLOPT_PROXY, "");
      break;
    case ProxyChoice::kNamed:
      options.Set(CURLOPT_PROXY, request.proxy.c_str()).Set(CURLOPT_NOPROXY, "");
      break;
  }
}

void SetCallbacks(Options& options, Exchange& exchange) {
  options.Set(CURLOPT_WRITEFUNCTION, OnBody)
      .Set(CURLOPT_WRITEDATA, &exchange)
      .Set(CURLOPT_HEADERFUNCTION, OnHeader)
      .Set(CURLOPT_HEADERDATA, &exchange)
      .Set(CURLOPT_NOPROGRESS, 0L)
      .Set(CURLOPT_XFERINFOFUNCTION, OnProgress)
      .Set(CURLOPT_XFERINFODATA, &exchange)
      .Set(CURLOPT_PREREQFUNCTION, OnConnected)
      .Set(CURLOPT_PREREQDATA, &exchange);
}

// False when the deadline has passed already.
bool SetTimeLimits(Options& options, const TransferRequest& request) {
  options.Set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.timeouts.ConnectLimitMs()));
  if (!request.deadline) return true;
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(*request.deadline - Clock::now());
  if (left.count() <= 0) return false;
  options.Set(CURLOPT_TIMEOUT_MS, static_cast<long>(left.count()));
  return true;
}

TransferResult RunExchange(CURL* curl, const TransferRequest& request) {
  HeaderLists lists;
  if (!BuildHeaderLists(request, lists)) return {};
  Exchange exchange;
  exchange.sendStallMs = std::max(request.timeouts.sendMs, 0);
  exchange.receiveStallMs = std::max(request.timeouts.receiveMs, 0);

  curl_easy_reset(curl);
  Options options(curl);
  SetWire(options, request, lists);
  SetVerb(options, request);
  SetProxy(options, request);
  SetCallbacks(options, exchange);
  if (!SetTimeLimits(options, request) || !options.ok()) return {};
  // A connection that closes in the middle of the head can still end a transfer without error
  // (an HTTP/1.0 response, say): that is no response either.
  if (curl_easy_perform(curl) != CURLE_OK || !exchange.head.complete()) return {};

  TransferResult result;
  result.ok = true;
  result.status = exchange.head.status();
  result.headers = exchange.head.Headers();
  result.body = std::move(exchange.body);
  char* location = nullptr;
  if (curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &location) == CURLE_OK && location) {
    result.redirectUrl = location;
  }
  return result;
}

}  // namespace

struct HttpTransfer::Handle {
  EasyHandle curl;
};

std::unique_ptr<HttpTransfer> HttpTransfer::Create() {
  try {
    if (!GlobalInit()) return nullptr;
    EasyHandle curl(curl_easy_init());
    if (!curl) return nullptr;
    // Kept through curl_easy_reset, which forgets every other option.
    if (CURLSH* share = SharedConnections()) curl_easy_setopt(curl.get(), CURLOPT_SHARE, share);
    return std::make_unique<HttpTransfer>(std::make_unique<Handle>(Handle{std::move(curl)}));
  } catch (...) {
    return nullptr;
  }
}

HttpTransfer::HttpTransfer(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}

HttpTransfer::~HttpTransfer() = default;

TransferResult HttpTransfer::Perform(const TransferRequest& request) {
  try {
    return RunExchange(handle_->curl.get(), request);
  } catch (...) {
    return {};
  }
}

void SetConnectionSharing(bool shared) { sharingConnections = shared; }

}  // namespace korvelin

// The request layer on loopback: what reusing connections saves, and whether many requests
// leave memory where it was.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <string>

#include "bench/figures.h"
#include "tests/support/http_server.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/tcp_server.h"
#include "tests/support/test_certificates.h"
#include "web/http_transfer.h"
#include "web/web_request.h"

namespace korvelin::bench {
namespace {

using testing::CertificateKind;
using testing::Connection;
using testing::HttpResponse;
using testing::MakeTestCertificate;
using testing::ReadHttpRequest;
using testing::TcpServer;
using testing::TlsIdentity;

// Answers every request with the same response and records nothing, so that the server's own
// memory stays flat however many requests it serves.
class LoopbackServer {
 public:
  LoopbackServer(std::string response, std::optional<TlsIdentity> tls)
      : response_(std::move(response)),
        server_(
            [this](Connection& connection) {
              while (ReadHttpRequest(connection)) connection.Write(response_);
            },
            std::move(tls)) {}

  [[nodiscard]] std::string Url(const std::string& target) const {
    return server_.Origin() + target;
  }

 private:
  std::string response_;
  TcpServer server_;  // last, so that it stops before the response goes
};

LoopbackServer SecureServer(size_t bodyBytes) {
  return LoopbackServer(HttpResponse(200, std::string(bodyBytes, 'p')),
                        MakeTestCertificate(CertificateKind::kSelfSigned));
}

// One request as the harvest makes it: a URL and a 3 second time-out; false when it failed.
bool HarvestRequest(const std::string& url) {
  WebRequestParams params;
  params.url = url;
  params.timeoutSeconds = 3;
  const Bytes body = WebRequest(params);
  return params.status == 200 && !body.empty();
}

void HttpsRequests(benchmark::State& state, bool sharing) {
  const testing::ScopedEnvironment direct = testing::WithoutProxyVariables();
  const LoopbackServer server = SecureServer(16 * 1024);
  const std::string url = server.Url("/s?wd=x");
  SetConnectionSharing(sharing);
  HarvestRequest(url);  // the first connection is the same for both
  for (auto _ : state) {
    if (!HarvestRequest(url)) state.SkipWithError("a request failed");
  }
  SetConnectionSharing(true);
}
void HttpsRequestsOnSharedConnections(benchmark::State& state) { HttpsRequests(state, true); }
void HttpsRequestsOnNewConnections(benchmark::State& state) { HttpsRequests(state, false); }

BENCHMARK(HttpsRequestsOnSharedConnections);
BENCHMARK(HttpsRequestsOnNewConnections);

// The resident set in bytes, as the kernel counts it now.
double ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  double pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * static_cast<double>(sysconf(_SC_PAGESIZE));
}

// 10 000 requests, every other one over HTTPS as a visit of the harvest makes them: the
// resident set after the last against the resident set after the 2 000th, by when every pool
// and cache has settled.
double MemoryAfterManyRequests() {
  const testing::ScopedEnvironment direct = testing::WithoutProxyVariables();
  const LoopbackServer secure = SecureServer(16 * 1024);
  const LoopbackServer plain(HttpResponse(200, R"(window.bdsug.sug({q:"x",s:["x1","x2"]});)"),
                             std::nullopt);
  malloc_trim(0);  // what earlier figures freed is not this figure's
  double settled = 0;
  int failed = 0;
  for (int i = 1; i <= 10'000; ++i) {
    const bool ok = i % 2 == 1 ? HarvestRequest(secure.Url("/s?wd=" + std::to_string(i)))
                               : HarvestRequest(plain.Url("/su?wd=" + std::to_string(i)));
    if (!ok) ++failed;
    if (i == 2'000) settled = ResidentBytes();
  }
  const double last = ResidentBytes();
  std::printf("resident set: %.0f KiB after 2 000 requests, %.0f KiB after 10 000 (%d failed)\n",
              settled / 1024, last / 1024, failed);
  return last / settled;
}

const bool registered = [] {
  CompareBenchmarks("HTTPS requests/s, reused / new connections", "HttpsRequestsOnNewConnections",
                    "HttpsRequestsOnSharedConnections", AtLeast(3));
  MeasureFigure("Resident set, 10 000 / 2 000 requests", AtMost(1.05), MemoryAfterManyRequests);
  return true;
}();

}  // namespace
}  // namespace korvelin::bench

// The time limits of a request, as the request object's SetTimeouts sets them, and the limits
// that enforce them on a transfer. All values are milliseconds; 0 means no limit.
//
// Example:
//   RequestTimeouts{3000, 3000, 3000, 3000}.ConnectLimitMs() == 6000
//   RequestTimeouts{3000, 3000, 3000, 3000}.WholeRequestLimitMs() == 12000
#pragma once

namespace korvelin {

struct RequestTimeouts {
  int resolveMs = 0;
  int connectMs = 60000;
  int sendMs = 30000;
  int receiveMs = 30000;

  // Name resolution and connecting (TLS and a proxy tunnel included) are bounded together, by
  // the sum of their limits; no limit when connecting has none.
  [[nodiscard]] long long ConnectLimitMs() const;

  // The whole request, redirects included: the sum of the four limits, so that a server that
  // keeps a transfer barely alive cannot hold it for long. No limit when connecting, sending or
  // receiving has none.
  [[nodiscard]] long long WholeRequestLimitMs() const;
};

}  // namespace korvelin

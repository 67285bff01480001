#include "web/request_timeouts.h"

namespace korvelin {

long long RequestTimeouts::ConnectLimitMs() const {
  if (connectMs <= 0) return 0;
  return static_cast<long long>(connectMs) + (resolveMs > 0 ? resolveMs : 0);
}

long long RequestTimeouts::WholeRequestLimitMs() const {
  if (connectMs <= 0 || sendMs <= 0 || receiveMs <= 0) return 0;
  return ConnectLimitMs() + static_cast<long long>(sendMs) + receiveMs;
}

}  // namespace korvelin

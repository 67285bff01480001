// Certificates made at test time for the TLS test servers: a fresh key and a self-signed
// certificate, good, expired or made out for another host.
//
// Example:
//   TcpServer server(script, MakeTestCertificate(CertificateKind::kExpired));
#pragma once

#include "tests/support/tcp_server.h"

namespace korvelin::testing {

enum class CertificateKind {
  kSelfSigned,  // for 127.0.0.1 and localhost, valid from yesterday for a year
  kExpired,     // for 127.0.0.1 and localhost, ran out yesterday
  kWrongHost,   // valid, but for wrong-host.invalid only
};

// A new identity; empty PEM texts when OpenSSL cannot make one (the test then fails).
[[nodiscard]] TlsIdentity MakeTestCertificate(CertificateKind kind);

}  // namespace korvelin::testing

#include "tests/support/test_certificates.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>

namespace korvelin::testing {

// ---- internal ------------------------------------------------------------------------------
namespace {

constexpr long kDay = 24 * 60 * 60;

struct OpenSslDeleter {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
  void operator()(X509* certificate) const { X509_free(certificate); }
  void operator()(X509_EXTENSION* extension) const { X509_EXTENSION_free(extension); }
  void operator()(BIO* bio) const { BIO_free(bio); }
};
template <typename T>
using Owned = std::unique_ptr<T, OpenSslDeleter>;

struct Validity {
  long fromSeconds;  // relative to now
  long toSeconds;
};

template <typename Write>
std::string Pem(Write write) {
  Owned<BIO> bio(BIO_new(BIO_s_mem()));
  if (!bio || write(bio.get()) != 1) return {};
  char* data = nullptr;
  const long length = BIO_get_mem_data(bio.get(), &data);
  return std::string(data, static_cast<size_t>(length));
}

bool Describe(X509* certificate, const char* commonName, const char* altNames) {
  X509_NAME* name = X509_get_subject_name(certificate);
  if (X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                 reinterpret_cast<const unsigned char*>(commonName), -1, -1,
                                 0) != 1 ||
      X509_set_issuer_name(certificate, name) != 1) {
    return false;
  }
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
  Owned<X509_EXTENSION> extension(
      X509V3_EXT_conf_nid(nullptr, &context, NID_subject_alt_name, altNames));
  return extension && X509_add_ext(certificate, extension.get(), -1) == 1;
}

TlsIdentity MakeIdentity(Validity validity, const char* commonName, const char* altNames) {
  Owned<EVP_PKEY> key(EVP_EC_gen("P-256"));
  Owned<X509> certificate(X509_new());
  const bool ok = key && certificate && X509_set_version(certificate.get(), 2) == 1 &&
                  ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), 1) == 1 &&
                  X509_gmtime_adj(X509_getm_notBefore(certificate.get()), validity.fromSeconds) &&
                  X509_gmtime_adj(X509_getm_notAfter(certificate.get()), validity.toSeconds) &&
                  X509_set_pubkey(certificate.get(), key.get()) == 1 &&
                  Describe(certificate.get(), commonName, altNames) &&
                  X509_sign(certificate.get(), key.get(), EVP_sha256()) > 0;
  if (!ok) {
    ADD_FAILURE() << "OpenSSL cannot make a test certificate";
    return {};
  }
  return {Pem([&](BIO* bio) { return PEM_write_bio_X509(bio, certificate.get()); }),
          Pem([&](BIO* bio) {
            return PEM_write_bio_PrivateKey(bio, key.get(), nullptr, nullptr, 0, nullptr, nullptr);
          })};
}

}  // namespace

TlsIdentity MakeTestCertificate(CertificateKind kind) {
  constexpr const char* kLoopbackNames = "IP:127.0.0.1,DNS:localhost";
  switch (kind) {
    case CertificateKind::kSelfSigned:
      return MakeIdentity({-kDay, 365 * kDay}, "127.0.0.1", kLoopbackNames);
    case CertificateKind::kExpired:
      return MakeIdentity({-30 * kDay, -kDay}, "127.0.0.1", kLoopbackNames);
    case CertificateKind::kWrongHost:
      return MakeIdentity({-kDay, 365 * kDay}, "wrong-host.invalid", "DNS:wrong-host.invalid");
  }
  return {};
}

}  // namespace korvelin::testing

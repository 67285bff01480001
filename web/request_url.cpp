#include "web/request_url.h"

#include <curl/curl.h>

#include <cctype>
#include <cstdlib>
#include <memory>

#include "text/codepage.h"

namespace korvelin {

// ---- internal ------------------------------------------------------------------------------
namespace {

struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

struct CurlTextDeleter {
  void operator()(char* text) const { curl_free(text); }
};
using CurlText = std::unique_ptr<char, CurlTextDeleter>;

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendEscaped(std::string& out, unsigned char byte) {
  out += '%';
  out += kHexDigits[byte >> 4];
  out += kHexDigits[byte & 0x0F];
}

// Not std::isalnum: under a Latin-1 locale that would pass bytes of 0x80 and above.
bool IsUnreserved(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
         (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

bool MayStandInUrl(unsigned char byte) {
  if (byte <= 0x20 || byte >= 0x7F) return false;
  return std::string_view("\"<>\\^`{|}").find(static_cast<char>(byte)) == std::string_view::npos;
}

std::optional<std::string> UrlPart(CURLU* url, CURLUPart part, unsigned flags) {
  char* text = nullptr;
  if (curl_url_get(url, part, &text, flags) != CURLUE_OK || text == nullptr) return std::nullopt;
  return std::string(CurlText(text).get());
}

}  // namespace

std::string WireUrl(std::string_view url) { return EscapeUrlBytes(Utf16ToUtf8(GbkToUtf16(url))); }

std::string EscapeUrlBytes(std::string_view url) {
  const std::string_view sent = url.substr(0, url.find('#'));
  std::string escaped;
  escaped.reserve(sent.size());
  for (const char c : sent) {
    const auto byte = static_cast<unsigned char>(c);
    if (MayStandInUrl(byte)) {
      escaped += c;
    } else {
      AppendEscaped(escaped, byte);
    }
  }
  return escaped;
}

std::string EscapeControlBytes(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      AppendEscaped(escaped, byte);
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::string QueryComponent(std::string_view text) {
  const std::string utf8 = Utf16ToUtf8(GbkToUtf16(text));
  std::string encoded;
  encoded.reserve(utf8.size() * 3);
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsUnreserved(byte)) {
      encoded += c;
    } else {
      AppendEscaped(encoded, byte);
    }
  }
  return encoded;
}

std::optional<UrlOrigin> HttpUrlOrigin(std::string_view url) {
  UrlHandle handle(curl_url());
  const std::string terminated(url);
  if (!handle || curl_url_set(handle.get(), CURLUPART_URL, terminated.c_str(), 0) != CURLUE_OK) {
    return std::nullopt;
  }
  std::optional<std::string> scheme = UrlPart(handle.get(), CURLUPART_SCHEME, 0);
  std::optional<std::string> host = UrlPart(handle.get(), CURLUPART_HOST, 0);
  std::optional<std::string> port = UrlPart(handle.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
  if (!scheme || !host || !port || host->empty()) return std::nullopt;
  if (*scheme != "http" && *scheme != "https") return std::nullopt;
  for (char& c : *host) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return UrlOrigin{*scheme, *host, std::atoi(port->c_str())};
}

}  // namespace korvelin

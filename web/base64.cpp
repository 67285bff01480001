#include "web/base64.h"

namespace korvelin {

// ---- internal ------------------------------------------------------------------------------
namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

unsigned ByteAt(std::string_view bytes, size_t i) {
  return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
}

}  // namespace

Text Base64Encode(std::string_view bytes) {
  Text out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const unsigned group =
        ByteAt(bytes, i) << 16 | ByteAt(bytes, i + 1) << 8 | ByteAt(bytes, i + 2);
    const size_t present = bytes.size() - i;  // 1, 2 or 3 and more
    out += kAlphabet[group >> 18 & 63];
    out += kAlphabet[group >> 12 & 63];
    out += present > 1 ? kAlphabet[group >> 6 & 63] : '=';
    out += present > 2 ? kAlphabet[group & 63] : '=';
  }
  return out;
}

}  // namespace korvelin

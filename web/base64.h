// Base64 as RFC 4648, section 4, defines it: the standard alphabet with "=" padding.
//
// Example:
//   Base64Encode("user:pass") == "dXNlcjpwYXNz"
#pragma once

#include <string_view>

#include "text/text_primitives.h"

namespace korvelin {

// The encoding of `bytes` (zero bytes included); its length is a multiple of four. Empty bytes
// give the empty text.
[[nodiscard]] Text Base64Encode(std::string_view bytes);

}  // namespace korvelin

// Feeds arbitrary bytes to every conversion: nothing may read or write out of bounds, the
// direct UTF-8 to code page 936 path must agree with the way through UTF-16, and text that
// converts without substitution must come back byte for byte.
#include <cstdlib>
#include <string>

#include "text/codepage.h"
#include "text/text_helpers.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool HasSubstitute(std::u16string_view s) {
  return s.find(u'\uFFFD') != std::u16string_view::npos ||
         s.find(u'\x1A') != std::u16string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvelin;
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  // As code page 936.
  const std::u16string fromGbk = GbkToUtf16(bytes);
  const std::string backToGbk = Utf16ToGbk(fromGbk);
  if (!HasSubstitute(fromGbk)) Check(backToGbk == bytes);

  // As UTF-8.
  const std::u16string fromUtf8 = Utf8ToUtf16(bytes);
  Check(Utf8ToGbkBytes(bytes) == Utf16ToGbk(fromUtf8));
  if (!HasSubstitute(fromUtf8)) Check(Utf16ToUtf8(fromUtf8) == bytes);
  const std::string page = Utf8ToGbk(bytes);
  Check(page.find('\0') == std::string::npos);

  // As UTF-16 units, lone surrogates included.
  const std::u16string units(reinterpret_cast<const char16_t*>(data), size / 2);
  const std::string gbk = Utf16ToGbk(units);
  Check(Utf16ToUtf8(GbkToUtf16(gbk)).size() <= gbk.size() * 3);
  return 0;
}

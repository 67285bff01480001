// Feeds any response header text and any carried cookie text to the response-cookie stage:
// nothing may crash, the collected cookie text is never longer than the header text, and the
// merge writes back what it returns. On texts that are well formed code page 936 the merged
// text must also be a clean cookie text (no spaces, no deletion markers, no entry twice), and
// merging the same response again must change nothing.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>
#include <unordered_set>

#include "text/text_primitives.h"
#include "web/response_cookies.h"

namespace korvelin {
namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// Every byte of 0x80 or more begins a character whose second byte is a trail byte (0x40 to
// 0xFE), so that no ASCII separator or space can hide inside a character.
bool IsWellFormed(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (static_cast<unsigned char>(text[i]) < 0x80) continue;
    if (++i == text.size()) return false;
    const auto trail = static_cast<unsigned char>(text[i]);
    if (trail < 0x40 || trail > 0xFE) return false;
  }
  return true;
}

void CheckCleanCookieText(const Text& merged) {
  std::unordered_set<Text> seen;
  for (const Text& entry : SplitText(merged, "; ")) {
    Check(FindText(entry, " ") == -1 && FindText(entry, "\xA1\xA1") == -1);
    Check(FindText(entry, ";") == -1);
    Check(TextRight(entry, 8) != "=deleted");
    Check(seen.insert(entry).second);
  }
}

}  // namespace
}  // namespace korvelin

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvelin;
  FuzzedDataProvider in(data, size);
  const std::string carried = in.ConsumeRandomLengthString(256);
  const std::string headers = in.ConsumeRemainingBytesAsString();

  const Text collected = CollectResponseCookies(headers);
  Check(collected.size() <= headers.size());

  Text old = carried;
  Text fresh = collected;
  const Text merged = MergeCookies(old, fresh);
  Check(old == merged);
  Check(fresh == RemoveAllSpaces(collected));

  if (IsWellFormed(carried) && IsWellFormed(headers)) {
    CheckCleanCookieText(merged);
    Text again = merged;
    Text sameResponse = collected;
    Check(MergeCookies(again, sameResponse) == merged);
  }
  return 0;
}

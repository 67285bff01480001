// Feeds any header text, URL and method to default completion and name normalisation: nothing
// may crash; completion only appends, leaves every default it considers present and changes
// nothing when done again; normalisation keeps exactly the lines with a colon, in order, with
// only the ASCII letters of their names changed and the rest of each line as it was, and
// changes nothing when done again.
#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "text/text_primitives.h"
#include "web/request_headers.h"

namespace korvelin {
namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// Whether `name` is `original` with some of its letters a to z made capitals.
bool OnlyCapitalised(std::string_view name, std::string_view original) {
  if (name.size() != original.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const char was = original[i];
    if (name[i] != was && !(was >= 'a' && was <= 'z' && name[i] == was - 'a' + 'A')) return false;
  }
  return true;
}

void CheckNormalised(const Text& text) {
  const Text normal = NormaliseHeaderNames(text);
  TextArray kept;
  for (const Text& line : SplitText(text, "\r\n")) {
    if (FindText(line, ":") != -1) kept.push_back(line);
  }
  const TextArray lines = SplitText(normal, "\r\n");
  Check(lines.size() == kept.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    const int colon = FindText(kept[i], ":");
    Check(FindText(lines[i], ":") == colon);
    Check(TextMid(lines[i], colon, INT_MAX) == TextMid(kept[i], colon, INT_MAX));
    Check(OnlyCapitalised(TextLeft(lines[i], colon - 1), TextLeft(kept[i], colon - 1)));
  }
  Check(NormaliseHeaderNames(normal) == normal);
}

}  // namespace
}  // namespace korvelin

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvelin;
  FuzzedDataProvider in(data, size);
  const int method = in.ConsumeIntegralInRange<int>(-1, 8);
  const std::string url = in.ConsumeRandomLengthString(128);
  const std::string headers = in.ConsumeRemainingBytesAsString();

  const Text completed = CompleteDefaultHeaders(headers, url, method);
  Check(completed.starts_with(headers));
  std::vector<std::string_view> probes = {"Accept:", "Referer:", "Accept-Language:", "User-Agent:"};
  if (method == 1) probes.push_back("Content-Type:");
  for (const std::string_view probe : probes) Check(FindText(completed, probe, 1, true) != -1);
  Check(CompleteDefaultHeaders(completed, url, method) == completed);

  CheckNormalised(headers);
  CheckNormalised(completed);
  return 0;
}

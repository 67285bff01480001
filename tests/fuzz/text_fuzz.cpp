// Checks the text primitives and helpers against small, obviously correct references that walk
// the text one character at a time.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "text/text_helpers.h"
#include "text/text_primitives.h"

namespace korvelin {
namespace {

bool IsLead(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// The characters of a text, walked from its first byte.
std::vector<std::string> Characters(std::string_view text) {
  std::vector<std::string> out;
  for (size_t i = 0; i < text.size();) {
    const size_t n = IsLead(text[i]) && i + 1 < text.size() ? 2 : 1;
    out.emplace_back(text.substr(i, n));
    i += n;
  }
  return out;
}

std::string Folded(std::string_view text) {
  std::string out;
  for (std::string c : Characters(text)) {
    if (c.size() == 1 && c[0] >= 'a' && c[0] <= 'z') c[0] = static_cast<char>(c[0] - 32);
    out += c;
  }
  return out;
}

int RefFind(std::string_view text, std::string_view sought, int start, bool ignoreCase) {
  const size_t from = start < 1 ? 0 : static_cast<size_t>(start) - 1;
  if (from >= text.size()) return -1;
  if (sought.empty()) return 1;
  size_t at = from;
  for (const std::string& c : Characters(text.substr(from))) {
    if (at + sought.size() <= text.size()) {
      const std::string_view here = text.substr(at, sought.size());
      if (ignoreCase ? Folded(here) == Folded(sought) : here == sought) {
        return static_cast<int>(at) + 1;
      }
    }
    at += c.size();
  }
  return -1;
}

std::string RefReplace(std::string_view text, std::string_view old, std::string_view with,
                       bool caseSensitive) {
  if (text.empty() || old.empty()) return std::string(text);
  std::string out;
  size_t from = 0;
  for (int p; (p = RefFind(text, old, static_cast<int>(from) + 1, !caseSensitive)) != -1;) {
    out += std::string(text.substr(from, p - 1 - from)) + std::string(with);
    from = p - 1 + old.size();
  }
  return out + std::string(text.substr(std::min(from, text.size())));
}

TextArray RefSplit(std::string_view text, std::string_view separator) {
  if (text.empty()) return {};
  if (separator.empty()) return {std::string(text)};
  TextArray pieces;
  size_t from = 0;
  for (int p; (p = RefFind(text, separator, static_cast<int>(from) + 1, false)) != -1;) {
    pieces.emplace_back(text.substr(from, p - 1 - from));
    from = p - 1 + separator.size();
  }
  if (from < text.size()) pieces.emplace_back(text.substr(from));
  return pieces;
}

bool IsSpace(const std::string& c) { return c == " " || c == "\xA1\xA1"; }

std::string RefTrim(std::string_view text) {
  std::vector<std::string> chars = Characters(text);
  size_t begin = 0, end = chars.size();
  while (begin < end && IsSpace(chars[begin])) ++begin;
  while (end > begin && IsSpace(chars[end - 1])) --end;
  std::string out;
  for (size_t i = begin; i < end; ++i) out += chars[i];
  return out;
}

std::string RefRemoveSpaces(std::string_view text) {
  std::string out;
  for (const std::string& c : Characters(text)) {
    if (!IsSpace(c)) out += c;
  }
  return out;
}

std::string RefBetween(std::string_view text, std::string_view left, std::string_view right,
                       int start) {
  const std::string l = RefReplace(left, kQuotePlaceholder, "\"", true);
  const std::string r = RefReplace(right, kQuotePlaceholder, "\"", true);
  const int p = RefFind(text, l, start, false);
  if (p == -1) return {};
  const size_t q0 = p - 1 + l.size();  // 0-based
  if (q0 >= text.size()) return {};
  const int q = RefFind(text, r, static_cast<int>(q0) + 1, false);
  if (q == -1 || static_cast<size_t>(q - 1) < q0) return {};
  return std::string(text.substr(q0, q - 1 - q0));
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace
}  // namespace korvelin

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvelin;
  FuzzedDataProvider in(data, size);
  const int start = in.ConsumeIntegralInRange<int>(-2, 70);
  const bool ignoreCase = in.ConsumeBool();
  const std::string sought = in.ConsumeRandomLengthString(8);
  const std::string other = in.ConsumeRandomLengthString(8);
  const std::string text = in.ConsumeRemainingBytesAsString();

  Check(FindText(text, sought, start, ignoreCase) == RefFind(text, sought, start, ignoreCase));
  Check(ReplaceText(text, sought, other, !ignoreCase) ==
        RefReplace(text, sought, other, !ignoreCase));
  Check(SplitText(text, sought) == RefSplit(text, sought));
  Check(TrimBoth(text) == RefTrim(text));
  Check(RemoveAllSpaces(text) == RefRemoveSpaces(text));
  Check(ToUpper(text) == Folded(text));
  Check(TextBetween(text, sought, other, start) == RefBetween(text, sought, other, start));
  return 0;
}

#include "web/response_cookies.h"

#include <algorithm>
#include <unordered_set>

#include "text/text_helpers.h"

namespace korvelin {

// ---- internal ------------------------------------------------------------------------------
namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kEntrySeparator = "; ";
constexpr std::string_view kDeletionMarker = "=deleted";

// The text without its last `count` bytes.
Text DropLast(std::string_view text, int count) { return TextLeft(text, TextLength(text) - count); }

// The name=value of a Set-Cookie line: up to the first ";" when there is one (the attributes
// follow it), else the whole value.
Text CookieEntryOf(std::string_view line) {
  const Text entry = FindText(line, ";") != -1 ? TextBetween(line, "Set-Cookie:", ";")
                                               : ReplaceText(line, "Set-Cookie:", "", false);
  return TrimBoth(entry);
}

}  // namespace

Text CollectResponseCookies(std::string_view responseHeaders) {
  Text cookies;
  for (const Text& line : SplitText(responseHeaders, kLineBreak)) {
    if (TextBefore(line, ": ") != "Set-Cookie") continue;
    cookies += CookieEntryOf(line) + Text(kEntrySeparator);
  }
  return DropLast(cookies, TextLength(kEntrySeparator));
}

Text MergeCookies(Text& oldCookies, Text& newCookies) {
  oldCookies = RemoveAllSpaces(oldCookies);
  newCookies = RemoveAllSpaces(newCookies);
  TextArray merged = SplitText(newCookies, ";");
  // The names in the list as it grows, so that of old entries sharing a name only the first
  // joins; a set, so that a response with thousands of cookies costs no more than it must.
  std::unordered_set<Text> names;
  for (const Text& entry : merged) names.insert(CookieName(entry));
  for (const Text& entry : SplitText(oldCookies, ";")) {
    if (names.insert(CookieName(entry)).second) merged.push_back(entry);
  }
  Text text;
  for (const Text& entry : merged) {
    if (TextRight(entry, TextLength(kDeletionMarker)) != kDeletionMarker) {
      text += entry + Text(kEntrySeparator);
    }
  }
  oldCookies = JoinDistinct(DropLast(text, TextLength(kEntrySeparator)), kEntrySeparator);
  return oldCookies;
}

Text CookieName(std::string_view entry) {
  const int equals = FindText(entry, "=");
  return TrimBoth(equals == -1 ? entry : TextLeft(entry, equals - 1));
}

bool HasCookieNamed(const TextArray& entries, std::string_view name) {
  return std::any_of(entries.begin(), entries.end(),
                     [name](const Text& entry) { return CookieName(entry) == name; });
}

Text JoinDistinct(std::string_view text, std::string_view separator) {
  const TextArray pieces = SplitText(text, separator);
  std::unordered_set<std::string_view> taken;
  Text joined;
  for (const Text& piece : pieces) {
    if (!taken.insert(piece).second) continue;
    joined += piece;
    joined += separator;
  }
  return DropLast(joined, TextLength(separator));
}

int IndexOfText(const TextArray& list, std::string_view text) {
  const auto found = std::find(list.begin(), list.end(), text);
  return found == list.end() ? -1 : static_cast<int>(found - list.begin()) + 1;
}

}  // namespace korvelin

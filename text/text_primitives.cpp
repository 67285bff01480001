#include "text/text_primitives.h"

#include <algorithm>
#include <climits>
#include <string>

namespace korvelin {

// ---- internal ------------------------------------------------------------------------------
namespace {

constexpr size_t kNotFound = std::string_view::npos;

unsigned char ByteAt(std::string_view text, size_t i) {
  return static_cast<unsigned char>(text[i]);
}

bool IsLeadByte(unsigned char b) { return b >= 0x80; }

// Bytes taken by the character that starts at i (a lone lead byte at the end counts as one).
size_t CharLength(std::string_view text, size_t i) {
  return IsLeadByte(ByteAt(text, i)) && i + 1 < text.size() ? 2 : 1;
}

unsigned char FoldAscii(unsigned char b) { return b >= 'a' && b <= 'z' ? b - 'a' + 'A' : b; }

// Whether `pos` starts a character when the text is walked from `floor`, a position known to
// start one. Walking back from pos over bytes >= 0x80 stops at floor or just after a byte below
// 0x80; both are character starts (a byte below 0x80 is a character or a trail byte, and either
// way a character starts after it). From there every byte >= 0x80 leads a pair, so pos starts a
// character exactly when that run has even length.
bool StartsCharacter(std::string_view text, size_t floor, size_t pos) {
  size_t run = 0;
  while (pos > floor && IsLeadByte(ByteAt(text, pos - 1))) {
    --pos;
    ++run;
  }
  return run % 2 == 0;
}

// Compares `sought` with the text at i, folding ASCII letters only where `sought` has a
// single-byte character; double-byte characters compare byte for byte.
bool EqualsIgnoringAsciiCase(std::string_view text, size_t i, std::string_view sought) {
  for (size_t j = 0; j < sought.size(); ++j) {
    unsigned char a = ByteAt(sought, j);
    unsigned char b = ByteAt(text, i + j);
    if (IsLeadByte(a)) {
      if (a != b) return false;
      if (++j < sought.size() && sought[j] != text[i + j]) return false;
    } else if (FoldAscii(a) != FoldAscii(b)) {
      return false;
    }
  }
  return true;
}

// 0-based offset of the first match at or after `from` (taken as a character start), or
// kNotFound. `sought` is not empty.
size_t FindFrom(std::string_view text, std::string_view sought, size_t from, bool ignoreCase) {
  if (!ignoreCase) {
    // Let the library find byte matches quickly, then reject those that begin on a trail byte.
    size_t floor = from;
    while (true) {
      size_t p = text.find(sought, from);
      if (p == kNotFound || StartsCharacter(text, floor, p)) return p;
      floor = from = p + 1;  // p is a trail byte, so a character starts right after it
    }
  }
  if (sought.size() > text.size()) return kNotFound;
  const size_t last = text.size() - sought.size();
  for (size_t i = from; i <= last; i += CharLength(text, i)) {
    if (EqualsIgnoringAsciiCase(text, i, sought)) return i;
  }
  return kNotFound;
}

int ClampToInt(size_t n) {
  return n > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n);
}

}  // namespace
// ---- end internal --------------------------------------------------------------------------

int FindText(std::string_view text, std::string_view sought, int start, bool ignoreCase) {
  const size_t from = start < 1 ? 0 : static_cast<size_t>(start) - 1;
  if (from >= text.size()) return -1;
  if (sought.empty()) return 1;
  const size_t p = FindFrom(text, sought, from, ignoreCase);
  return p == kNotFound || p >= static_cast<size_t>(INT_MAX) ? -1 : static_cast<int>(p) + 1;
}

int TextLength(std::string_view text) { return ClampToInt(text.size()); }

Text TextLeft(std::string_view text, int n) {
  if (n <= 0) return {};
  return Text(text.substr(0, static_cast<size_t>(n)));
}

Text TextRight(std::string_view text, int n) {
  if (n <= 0) return {};
  const size_t k = std::min(text.size(), static_cast<size_t>(n));
  return Text(text.substr(text.size() - k));
}

Text TextMid(std::string_view text, int start, int n) {
  if (start < 1 || static_cast<size_t>(start) > text.size() || n <= 0) return {};
  return Text(text.substr(static_cast<size_t>(start) - 1, static_cast<size_t>(n)));
}

int CharCode(std::string_view text, int pos) {
  if (pos < 1 || static_cast<size_t>(pos) > text.size()) return 0;
  return static_cast<signed char>(text[static_cast<size_t>(pos) - 1]);
}

Text ToUpper(std::string_view text) {
  Text out(text);
  for (size_t i = 0; i < out.size(); i += CharLength(out, i)) {
    out[i] = static_cast<char>(FoldAscii(ByteAt(out, i)));
  }
  return out;
}

namespace {
// Bytes taken by the space character at i (1 for " ", 2 for A1 A1), or 0.
size_t SpaceLength(std::string_view text, size_t i) {
  if (text[i] == ' ') return 1;
  if (ByteAt(text, i) == 0xA1 && i + 1 < text.size() && ByteAt(text, i + 1) == 0xA1) return 2;
  return 0;
}
}  // namespace

Text TrimBoth(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const size_t k = SpaceLength(text, i);
    if (k == 0) break;
    i += k;
  }
  const size_t begin = i;
  size_t end = i;  // just after the last character that is not a space
  while (i < text.size()) {
    const size_t k = SpaceLength(text, i);
    if (k != 0) {
      i += k;
    } else {
      i += CharLength(text, i);
      end = i;
    }
  }
  return Text(text.substr(begin, end - begin));
}

Text RemoveAllSpaces(std::string_view text) {
  Text out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t space = SpaceLength(text, i);
    if (space != 0) {
      i += space;
      continue;
    }
    const size_t k = CharLength(text, i);
    out.append(text.substr(i, k));
    i += k;
  }
  return out;
}

Text ReplaceText(std::string_view text, std::string_view old, std::string_view replacement,
                 bool caseSensitive) {
  if (text.empty() || old.empty()) return Text(text);
  Text out;
  size_t from = 0;
  while (true) {
    const size_t p = FindFrom(text, old, from, !caseSensitive);
    if (p == kNotFound) break;
    out.append(text.substr(from, p - from)).append(replacement);
    from = p + old.size();
  }
  out.append(text.substr(std::min(from, text.size())));
  return out;
}

TextArray SplitText(std::string_view text, std::string_view separator) {
  TextArray pieces;
  if (text.empty()) return pieces;
  if (separator.empty()) return {Text(text)};
  size_t from = 0;
  while (true) {
    const size_t p = FindFrom(text, separator, from, false);
    if (p == kNotFound) break;
    pieces.emplace_back(text.substr(from, p - from));
    from = p + separator.size();
  }
  if (from < text.size()) pieces.emplace_back(text.substr(from));
  return pieces;
}

Bytes ToBytes(std::string_view text) { return Bytes(text); }

Text BytesToText(std::string_view bytes) { return Text(bytes.substr(0, bytes.find('\0'))); }

int BytesLength(std::string_view bytes) { return ClampToInt(bytes.size()); }

Bytes BytesMid(std::string_view bytes, int start, int n) {
  const size_t from = start < 1 ? 0 : std::min(static_cast<size_t>(start) - 1, bytes.size());
  if (n <= 0) return {};
  return Bytes(bytes.substr(from, static_cast<size_t>(n)));
}

Bytes BlankBytes(int n) { return n <= 0 ? Bytes() : Bytes(static_cast<size_t>(n), '\0'); }

Text BlankText(int n) { return n <= 0 ? Text() : Text(static_cast<size_t>(n), ' '); }

Text NumberToText(int n) { return std::to_string(n); }

}  // namespace korvelin

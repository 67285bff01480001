// The text primitives every other part of Korvelin is written in.
//
// Encoding contract for this whole folder:
//   - A text is a std::string of code page 936 (GBK) bytes. A byte of 0x80 or more starts a
//     double-byte character together with the byte after it, whatever that byte is. Trail
//     bytes run from 0x40 to 0xFE, so they include ASCII letters and "[", "]", "\", "|".
//   - Lengths and positions count bytes. Positions are 1-based; "not found" is -1.
//   - Searching, replacing and splitting step over double-byte characters, so a match never
//     begins on a character's second byte. Taking and cutting by length (TextLeft, TextMid,
//     ...) do not: they count bytes and may split a character.
//   - Ignoring case folds the ASCII letters only; double-byte characters always compare byte
//     for byte.
//   - A text ends at its first zero byte wherever one comes from outside (BytesToText); a byte
//     string (Bytes) is counted and may hold zero bytes.
//   - Counts never overflow: a length past INT_MAX reads as INT_MAX, and huge arguments clamp.
//
// Example:
//   FindText("覽[", "[")  == 3     // the "[" inside 覽 (D3 5B) is stepped over
//   SplitText("a\r\nb\r\n", "\r\n") == {"a", "b"}
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvelin {

using Text = std::string;   // code page 936 bytes
using Bytes = std::string;  // counted bytes, zero bytes allowed
using TextArray = std::vector<Text>;

// Position of the first occurrence of `sought` at or after `start`, or -1. A start below 1
// counts as 1; a start past the end finds nothing. An empty `sought` gives 1 when at least one
// byte lies at or after `start`, else -1.
[[nodiscard]] int FindText(std::string_view text, std::string_view sought, int start = 1,
                           bool ignoreCase = false);

// Length in bytes, clamped to INT_MAX.
[[nodiscard]] int TextLength(std::string_view text);

// The first / last n bytes; n <= 0 gives the empty text, n past the length the whole text.
[[nodiscard]] Text TextLeft(std::string_view text, int n);
[[nodiscard]] Text TextRight(std::string_view text, int n);

// n bytes from 1-based `start`, cut at the end; empty when start < 1, start > length or n <= 0.
[[nodiscard]] Text TextMid(std::string_view text, int start, int n);

// The byte at 1-based `pos` as a signed 8-bit value; 0 when pos is outside 1..length.
[[nodiscard]] int CharCode(std::string_view text, int pos = 1);

// a-z to A-Z; double-byte characters untouched (their trail bytes too).
[[nodiscard]] Text ToUpper(std::string_view text);

// Without leading and trailing runs of ASCII spaces and full-width spaces (A1 A1). Tabs and
// line breaks stay.
[[nodiscard]] Text TrimBoth(std::string_view text);

// Without any ASCII space or full-width space.
[[nodiscard]] Text RemoveAllSpaces(std::string_view text);

// Every occurrence of `old` replaced by `replacement`, left to right, without overlap. An empty
// text or an empty `old` gives the text unchanged.
[[nodiscard]] Text ReplaceText(std::string_view text, std::string_view old,
                               std::string_view replacement, bool caseSensitive);

// The pieces between separators (matched exactly). Empty pieces before the first separator or
// between two stay; an empty last piece is dropped. The empty text gives no pieces; an empty
// separator gives the whole text as one piece.
[[nodiscard]] TextArray SplitText(std::string_view text, std::string_view separator);

// The text's bytes (a text holds no terminating zero here, so this is a copy).
[[nodiscard]] Bytes ToBytes(std::string_view text);
// The bytes before the first zero byte.
[[nodiscard]] Text BytesToText(std::string_view bytes);

[[nodiscard]] int BytesLength(std::string_view bytes);
// n bytes from `start`; start is clamped to 1..length+1, n < 0 counts as 0, cut at the end.
[[nodiscard]] Bytes BytesMid(std::string_view bytes, int start, int n);

// n zero bytes / n spaces; n <= 0 gives the empty value.
[[nodiscard]] Bytes BlankBytes(int n);
[[nodiscard]] Text BlankText(int n);

// Decimal, as "%d" prints it.
[[nodiscard]] Text NumberToText(int n);

}  // namespace korvelin

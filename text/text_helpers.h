// Small routines over the text primitives: cutting a text between markers, the text ahead of a
// delimiter, and decoding a UTF-8 page into code page 936.
//
// Texts are code page 936 bytes, positions are 1-based bytes, searches step over double-byte
// characters (see text_primitives.h).
//
// Example:
//   TextBetween("<b>\"x\"</b>", "<b>#引号", "#引号</b>") == "x"
#pragma once

#include <string_view>

#include "text/text_primitives.h"

namespace korvelin {

// Markers may write a double quote as this placeholder (its GBK bytes).
inline constexpr std::string_view kQuotePlaceholder = "#\xD2\xFD\xBA\xC5";  // "#引号"

// The bytes strictly between the first `left` at or after `start` and the first `right` after
// it; the empty text when either marker is missing. "#引号" in either marker stands for a
// double quote. A start of 0 or less counts as 1.
[[nodiscard]] Text TextBetween(std::string_view text, std::string_view left, std::string_view right,
                               int start = 1, bool ignoreCase = false);

// The bytes from the beginning of the text up to the first `delimiter` at or after `start`;
// the empty text when the delimiter is missing.
[[nodiscard]] Text TextBefore(std::string_view text, std::string_view delimiter, int start = 1,
                              bool ignoreCase = false);

// UTF-8 bytes as code page 936 text, ending at the first zero byte; the empty text for empty
// bytes. Invalid sequences and characters the code page lacks become "?".
[[nodiscard]] Text Utf8ToGbk(std::string_view bytes);

}  // namespace korvelin

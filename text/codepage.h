// Conversions between code page 936 (GBK, as Windows defines it), UTF-8 and UTF-16.
//
// They give what the Windows converters give with flags 0 and no default character of the
// caller's: 0x80 is the euro sign, the user-defined areas map to the private-use range, an
// invalid UTF-8 sequence becomes U+FFFD, and a character that code page 936 lacks becomes one
// "?" per code point. One bad character never fails a whole conversion, and nothing is read or
// written out of bounds. Zero bytes and zero units pass through like any other character.
//
// Every text that crosses between the harvest (code page 936) and the window or the pattern
// engine (UTF-16) goes through here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvelin {

// Code page 936 bytes to UTF-16. A byte sequence the code page does not define becomes a
// substitute character; the rest converts as usual.
[[nodiscard]] std::u16string GbkToUtf16(std::string_view gbk);

// As above, and fills `byteOffsets` with one entry per UTF-16 unit of the result: the 0-based
// offset in `gbk` of the first byte of the character (or bad sequence) that unit comes from,
// plus one last entry, gbk.size(). The offsets come from the converter itself, so they hold
// whatever it makes of a bad sequence. A text of 2 GiB or more gives the empty result and no
// offsets.
[[nodiscard]] std::u16string GbkToUtf16(std::string_view gbk, std::vector<int>* byteOffsets);

// UTF-16 to code page 936 bytes. A code point the code page lacks, or a lone surrogate,
// becomes "?".
[[nodiscard]] std::string Utf16ToGbk(std::u16string_view utf16);

// UTF-8 to UTF-16; each invalid sequence becomes U+FFFD.
[[nodiscard]] std::u16string Utf8ToUtf16(std::string_view utf8);

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
[[nodiscard]] std::string Utf16ToUtf8(std::u16string_view utf16);

// UTF-8 straight to code page 936, as Utf16ToGbk(Utf8ToUtf16(utf8)) would give it, without
// the text passing through a whole UTF-16 copy.
[[nodiscard]] std::string Utf8ToGbkBytes(std::string_view utf8);

}  // namespace korvelin

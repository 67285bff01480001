#include "text/codepage.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>

namespace korvelin {

// ---- internal ------------------------------------------------------------------------------
namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// ICU's copy of the Windows table: 0x80 is the euro sign and the user-defined areas map to the
// private-use range, as on Windows.
constexpr const char* kGbkName = "windows-936-2000";

ConverterPtr OpenConverter(const char* name) {
  UErrorCode err = U_ZERO_ERROR;
  ConverterPtr c(ucnv_open(name, &err));
  if (U_FAILURE(err)) return nullptr;
  // Windows substitutes "?" for a character the code page lacks, one per code point.
  if (std::string_view(name) == kGbkName) {
    ucnv_setSubstChars(c.get(), "?", 1, &err);
    // Windows' best-fit mappings apply with flags 0; ICU keeps them as fallbacks.
    ucnv_setFallback(c.get(), true);
  }
  return c;
}

// One converter of each kind per thread, opened on first use; conversions reset them.
UConverter* Gbk() {
  thread_local ConverterPtr c = OpenConverter(kGbkName);
  return c.get();
}
UConverter* Utf8() {
  thread_local ConverterPtr c = OpenConverter("UTF-8");
  return c.get();
}

// Grows `out` (keeping what is written) and moves the write cursor along with it.
template <typename Out, typename Unit>
void Grow(Out& out, Unit*& cursor) {
  const size_t written = static_cast<size_t>(cursor - reinterpret_cast<Unit*>(out.data()));
  out.resize(out.size() * 2 + 16);
  cursor = reinterpret_cast<Unit*>(out.data()) + written;
}

template <typename Out, typename Unit>
void Finish(Out& out, Unit* cursor) {
  out.resize(static_cast<size_t>(cursor - reinterpret_cast<Unit*>(out.data())));
}

// Bytes (in converter `from`'s encoding) to UTF-16.
std::u16string ToUtf16(UConverter* from, std::string_view in) {
  std::u16string out;
  if (in.empty() || from == nullptr) return out;
  ucnv_resetToUnicode(from);
  out.resize(in.size() + 16);
  const char* src = in.data();
  UChar* dst = reinterpret_cast<UChar*>(out.data());
  while (true) {
    UErrorCode err = U_ZERO_ERROR;
    ucnv_toUnicode(from, &dst, reinterpret_cast<UChar*>(out.data()) + out.size(), &src,
                   in.data() + in.size(), nullptr, true, &err);
    if (err != U_BUFFER_OVERFLOW_ERROR) break;
    Grow(out, dst);
  }
  Finish(out, dst);
  return out;
}

// UTF-16 to bytes in converter `to`'s encoding.
std::string FromUtf16(UConverter* to, std::u16string_view in) {
  std::string out;
  if (in.empty() || to == nullptr) return out;
  ucnv_resetFromUnicode(to);
  out.resize(in.size() * 2 + 16);
  const UChar* src = reinterpret_cast<const UChar*>(in.data());
  char* dst = out.data();
  while (true) {
    UErrorCode err = U_ZERO_ERROR;
    ucnv_fromUnicode(to, &dst, out.data() + out.size(), &src,
                     reinterpret_cast<const UChar*>(in.data() + in.size()), nullptr, true, &err);
    if (err != U_BUFFER_OVERFLOW_ERROR) break;
    Grow(out, dst);
  }
  Finish(out, dst);
  return out;
}

// Turns the offsets ICU gives for one call (relative to where that call's source began, -1
// where a unit has no source byte of its own) into offsets from the start of the text.
void Rebase(int32_t* offsets, size_t count, int base, int* previous) {
  for (size_t i = 0; i < count; ++i) {
    offsets[i] = offsets[i] < 0 ? *previous : offsets[i] + base;
    *previous = offsets[i];
  }
}

// Code page 936 to UTF-16 into buffers sized for the whole result, piece by piece: ASCII runs
// widened, single characters put, and stretches converted by ICU.
class GbkDecoder {
 public:
  GbkDecoder(UConverter* from, std::string_view gbk, std::vector<int>* byteOffsets)
      : from_(from), gbk_(gbk), byteOffsets_(byteOffsets) {
    // One unit per byte is always enough (the code page has no character outside the BMP,
    // and a substitute replaces at least one byte); Convert() grows them all the same.
    out_.resize(gbk.size() + 16);
    if (byteOffsets_) byteOffsets_->assign(out_.size(), 0);
  }

  // Bytes [begin, end), all below 0x80 and each one a character of its own.
  void Widen(size_t begin, size_t end) {
    const size_t count = end - begin;
    const auto* from = reinterpret_cast<const unsigned char*>(gbk_.data() + begin);
    char16_t* to = out_.data() + written_;
    for (size_t i = 0; i < count; ++i) to[i] = from[i];  // vectorised
    if (byteOffsets_) {
      int* offsets = byteOffsets_->data() + written_;
      for (size_t i = 0; i < count; ++i) offsets[i] = static_cast<int>(begin + i);
    }
    written_ += count;
  }

  // One unit for the character at byte `at`.
  void Put(size_t at, char16_t unit) {
    out_[written_] = unit;
    if (byteOffsets_) (*byteOffsets_)[written_] = static_cast<int>(at);
    ++written_;
  }

  // Bytes [begin, end) through ICU, from its initial state.
  void Convert(size_t begin, size_t end) {
    ucnv_resetToUnicode(from_);
    const char* src = gbk_.data() + begin;
    int previous = static_cast<int>(begin);
    while (true) {
      UChar* dst = reinterpret_cast<UChar*>(out_.data()) + written_;
      int32_t* offsets = byteOffsets_ ? byteOffsets_->data() + written_ : nullptr;
      const int base = static_cast<int>(src - gbk_.data());
      UErrorCode err = U_ZERO_ERROR;
      ucnv_toUnicode(from_, &dst, reinterpret_cast<UChar*>(out_.data()) + out_.size(), &src,
                     gbk_.data() + end, offsets, true, &err);
      const size_t count =
          static_cast<size_t>(dst - reinterpret_cast<UChar*>(out_.data())) - written_;
      if (offsets) Rebase(offsets, count, base, &previous);
      written_ += count;
      if (err != U_BUFFER_OVERFLOW_ERROR) return;
      out_.resize(out_.size() * 2 + 16);
      if (byteOffsets_) byteOffsets_->resize(out_.size());
    }
  }

  std::u16string Finish() {
    out_.resize(written_);
    if (byteOffsets_) {
      byteOffsets_->resize(written_);
      byteOffsets_->push_back(static_cast<int>(gbk_.size()));
    }
    return std::move(out_);
  }

 private:
  UConverter* from_;
  std::string_view gbk_;
  std::vector<int>* byteOffsets_;
  std::u16string out_;
  size_t written_ = 0;
};

// The fast paths below give what ICU gives over the whole text, because of two facts about
// code page 936 in ICU: ASCII stands for itself, and once an ASCII byte has been read (alone,
// or as the trail byte of a pair) or a complete character, the converter is back in its
// initial state. Whatever the tables do not know goes to ICU as a stretch that starts in that
// state and ends right after an ASCII byte (unit), so ICU reads it as it would in place.

// What ICU makes of each double-byte pair on its own, for the pairs it reads as one character:
// entry (lead - 0x80) * 256 + trail; 0 for every other pair.
using PairTable = std::array<char16_t, 0x80 * 0x100>;

PairTable MakePairTable() {
  PairTable table{};
  ConverterPtr converter = OpenConverter(kGbkName);
  if (!converter) return table;
  // Every pair with a trail byte the code page allows, each followed by a line feed.
  std::string pairs;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      pairs += {static_cast<char>(lead), static_cast<char>(trail), '\n'};
    }
  }
  std::vector<int> offsets;
  GbkDecoder decoder(converter.get(), pairs, &offsets);
  decoder.Convert(0, pairs.size());
  const std::u16string units = decoder.Finish();
  // A pair read as one character gave one unit from its lead byte and none from its trail.
  std::vector<int> fromByte(pairs.size() + 1);
  for (size_t u = 0; u < units.size(); ++u) ++fromByte[static_cast<size_t>(offsets[u])];
  for (size_t u = 0; u < units.size(); ++u) {
    const auto at = static_cast<size_t>(offsets[u]);
    if (at % 3 != 0 || fromByte[at] != 1 || fromByte[at + 1] != 0) continue;
    const auto lead = static_cast<unsigned char>(pairs[at]);
    const auto trail = static_cast<unsigned char>(pairs[at + 1]);
    table[static_cast<size_t>(lead - 0x80) * 0x100 + trail] = units[u];
  }
  return table;
}

const PairTable& Pairs() {
  static const PairTable table = MakePairTable();
  return table;
}

// Where the run of ASCII bytes that starts at `from` ends.
size_t AsciiRunEnd(std::string_view text, size_t from) {
  constexpr uint64_t kHighBits = 0x8080808080808080;
  size_t i = from;
  for (uint64_t word; i + 8 <= text.size(); i += 8) {
    std::memcpy(&word, text.data() + i, 8);
    if (word & kHighBits) break;
  }
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
  return i;
}

// The end of the stretch for ICU that starts at `from`: past the bytes of 0x80 or more and
// the ASCII byte after them.
size_t StretchEnd(std::string_view text, size_t from) {
  size_t end = from;
  while (end < text.size() && static_cast<unsigned char>(text[end]) >= 0x80) ++end;
  return std::min(end + 1, text.size());
}

std::u16string DecodeGbk(std::string_view gbk, std::vector<int>* byteOffsets) {
  UConverter* from = Gbk();
  if (gbk.size() >= static_cast<size_t>(INT_MAX) || from == nullptr) {
    if (byteOffsets) byteOffsets->clear();
    return {};
  }
  const PairTable& pairs = Pairs();
  GbkDecoder decoder(from, gbk, byteOffsets);
  for (size_t i = 0; i < gbk.size();) {
    const auto byte = static_cast<unsigned char>(gbk[i]);
    if (byte < 0x80) {
      const size_t end = AsciiRunEnd(gbk, i);
      decoder.Widen(i, end);
      i = end;
    } else if (const char16_t unit =
                   i + 1 < gbk.size()
                       ? pairs[(byte - 0x80u) * 0x100 + static_cast<unsigned char>(gbk[i + 1])]
                       : 0) {
      decoder.Put(i, unit);
      i += 2;
    } else {
      const size_t end = StretchEnd(gbk, i);
      decoder.Convert(i, end);
      i = end;
    }
  }
  return decoder.Finish();
}

// What ICU makes of each UTF-16 unit from 0x80 up that is no surrogate, on its own: two bytes
// as lead * 256 + trail, one byte as itself (never 0: only U+0000 gives a zero byte).
using UnitTable = std::array<uint16_t, 0x10000>;

UnitTable MakeUnitTable() {
  UnitTable table{};
  ConverterPtr converter = OpenConverter(kGbkName);
  if (!converter) return table;
  // Every such unit, each followed by a line feed.
  std::u16string units;
  for (char32_t c = 0x80; c <= 0xFFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    units += {static_cast<char16_t>(c), u'\n'};
  }
  std::string bytes(units.size() * 2 + 16, '\0');
  std::vector<int32_t> offsets(bytes.size());
  const UChar* src = reinterpret_cast<const UChar*>(units.data());
  char* dst = bytes.data();
  UErrorCode err = U_ZERO_ERROR;
  ucnv_fromUnicode(converter.get(), &dst, bytes.data() + bytes.size(), &src, src + units.size(),
                   offsets.data(), true, &err);
  if (U_FAILURE(err)) return table;
  const auto count = static_cast<size_t>(dst - bytes.data());
  for (size_t b = 0; b < count;) {
    const auto at = static_cast<size_t>(offsets[b]);
    size_t n = 1;
    while (b + n < count && static_cast<size_t>(offsets[b + n]) == at) ++n;
    if (at % 2 == 0 && n <= 2) {
      const auto first = static_cast<unsigned char>(bytes[b]);
      const auto second = n == 2 ? static_cast<unsigned char>(bytes[b + 1]) : 0;
      table[units[at]] = static_cast<uint16_t>(n == 2 ? first * 0x100 + second : first);
    }
    b += n;
  }
  return table;
}

const UnitTable& Units() {
  static const UnitTable table = MakeUnitTable();
  return table;
}

// Where the run of ASCII units that starts at `from` ends.
size_t AsciiRunEnd(std::u16string_view text, size_t from) {
  size_t i = from;
  while (i < text.size() && text[i] < 0x80) ++i;
  return i;
}

// The end of the stretch for ICU that starts at `from`: past the units of 0x80 or more and
// the ASCII unit after them.
size_t StretchEnd(std::u16string_view text, size_t from) {
  size_t end = from;
  while (end < text.size() && text[end] >= 0x80) ++end;
  return std::min(end + 1, text.size());
}

std::string EncodeGbk(std::u16string_view utf16) {
  UConverter* to = Gbk();
  if (to == nullptr) return {};
  const UnitTable& units = Units();
  std::string out;
  out.reserve(utf16.size() * 2);
  for (size_t i = 0; i < utf16.size();) {
    const char16_t unit = utf16[i];
    if (unit < 0x80) {
      const size_t end = AsciiRunEnd(utf16, i);
      for (; i < end; ++i) out += static_cast<char>(utf16[i]);
    } else if (const uint16_t bytes = units[unit]) {
      if (bytes > 0xFF) out += static_cast<char>(bytes >> 8);
      out += static_cast<char>(bytes & 0xFF);
      ++i;
    } else {
      const size_t end = StretchEnd(utf16, i);
      out += FromUtf16(to, utf16.substr(i, end - i));
      i = end;
    }
  }
  return out;
}

}  // namespace
// ---- end internal --------------------------------------------------------------------------

std::u16string GbkToUtf16(std::string_view gbk) { return DecodeGbk(gbk, nullptr); }

std::u16string GbkToUtf16(std::string_view gbk, std::vector<int>* byteOffsets) {
  return DecodeGbk(gbk, byteOffsets);
}

std::string Utf16ToGbk(std::u16string_view utf16) { return EncodeGbk(utf16); }

std::u16string Utf8ToUtf16(std::string_view utf8) { return ToUtf16(Utf8(), utf8); }

std::string Utf16ToUtf8(std::u16string_view utf16) { return FromUtf16(Utf8(), utf16); }

std::string Utf8ToGbkBytes(std::string_view utf8) {
  std::string out;
  UConverter* from = Utf8();
  UConverter* to = Gbk();
  if (utf8.empty() || from == nullptr || to == nullptr) return out;
  out.resize(utf8.size() + 16);  // GBK never needs more bytes than UTF-8 per character
  UChar pivot[1024];
  UChar* pivotSource = pivot;
  UChar* pivotTarget = pivot;
  const char* src = utf8.data();
  char* dst = out.data();
  bool reset = true;
  while (true) {
    UErrorCode err = U_ZERO_ERROR;
    ucnv_convertEx(to, from, &dst, out.data() + out.size(), &src, utf8.data() + utf8.size(), pivot,
                   &pivotSource, &pivotTarget, pivot + std::size(pivot), reset, true, &err);
    reset = false;
    if (err != U_BUFFER_OVERFLOW_ERROR) break;
    Grow(out, dst);
  }
  Finish(out, dst);
  return out;
}

}  // namespace korvelin

#include "text/codepage.h"

#include <unicode/ucnv.h>

#include <climits>
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

}  // namespace
// ---- end internal --------------------------------------------------------------------------

std::u16string GbkToUtf16(std::string_view gbk) { return ToUtf16(Gbk(), gbk); }

std::u16string GbkToUtf16(std::string_view gbk, std::vector<int>* byteOffsets) {
  std::u16string out;
  byteOffsets->clear();
  UConverter* from = Gbk();
  if (gbk.size() >= static_cast<size_t>(INT_MAX) || from == nullptr) return out;
  ucnv_resetToUnicode(from);
  // One unit per byte is always enough (the code page has no character outside the BMP, and a
  // substitute replaces at least one byte); the loop is there all the same.
  out.resize(gbk.size() + 16);
  byteOffsets->resize(out.size());
  const char* src = gbk.data();
  UChar* dst = reinterpret_cast<UChar*>(out.data());
  int previous = 0;
  while (true) {
    const int base = static_cast<int>(src - gbk.data());
    UChar* callStart = dst;
    int32_t* offsets = byteOffsets->data() + (callStart - reinterpret_cast<UChar*>(out.data()));
    UErrorCode err = U_ZERO_ERROR;
    ucnv_toUnicode(from, &dst, reinterpret_cast<UChar*>(out.data()) + out.size(), &src,
                   gbk.data() + gbk.size(), offsets, true, &err);
    Rebase(offsets, static_cast<size_t>(dst - callStart), base, &previous);
    if (err != U_BUFFER_OVERFLOW_ERROR) break;
    Grow(out, dst);
    byteOffsets->resize(out.size());
  }
  Finish(out, dst);
  byteOffsets->resize(out.size());
  byteOffsets->push_back(static_cast<int>(gbk.size()));
  return out;
}

std::string Utf16ToGbk(std::u16string_view utf16) { return FromUtf16(Gbk(), utf16); }

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

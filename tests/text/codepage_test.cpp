#include "text/codepage.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace korvelin {
namespace {

TEST(CodePage, KnownCharacters) {
  struct Case {
    const char* name;
    std::string gbk;
    std::u16string utf16;
  };
  const Case cases[] = {
      {"ASCII", "ab", u"ab"},
      {"中", "\xD6\xD0", u"中"},
      {"euro sign at 0x80", "\x80", u"\u20AC"},
      {"user-defined area", "\xAA\xA1", u"\uE000"},
      {"full-width space", "\xA1\xA1", u"\u3000"},
      {"zero byte passes", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(GbkToUtf16(c.gbk), c.utf16);
    EXPECT_EQ(Utf16ToGbk(c.utf16), c.gbk);
  }
}

TEST(CodePage, WhatCodePage936LacksBecomesOneQuestionMarkPerCodePoint) {
  EXPECT_EQ(Utf16ToGbk(u"a\U0001F600b"), "a?b");  // a surrogate pair is one code point
  EXPECT_EQ(Utf16ToGbk(u"\u0E01"), "?");          // Thai
  EXPECT_EQ(Utf16ToGbk(std::u16string(1, u'\xD800') + u"x"), "?x");  // lone surrogate
}

TEST(CodePage, InvalidUtf8BecomesReplacementCharacter) {
  EXPECT_EQ(Utf8ToUtf16("a\xFF"
                        "b"),
            u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xE4\xB8"), u"\uFFFD");  // cut short at the end
  EXPECT_EQ(Utf8ToGbkBytes("a\xFF"
                           "b"),
            "a?b");
  EXPECT_EQ(Utf16ToUtf8(u"中"), "\xE4\xB8\xAD");
}

TEST(CodePage, Utf8StraightToGbkMatchesTheWayThroughUtf16) {
  const std::string mixed = "<a>\xE4\xB8\xAD\xF0\x9F\x98\x80\xC3\xA9\xE2\x82\xAC\xC0\xAF</a>";
  EXPECT_EQ(Utf8ToGbkBytes(mixed), Utf16ToGbk(Utf8ToUtf16(mixed)));
  std::string big;
  for (int i = 0; i < 100000; ++i)
    big +=
        "\xE4\xB8\xAD"
        "a";
  EXPECT_EQ(Utf8ToGbkBytes(big), Utf16ToGbk(Utf8ToUtf16(big)));
}

TEST(CodePage, EveryDefinedDoubleByteCharacterRoundTrips) {
  int defined = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const std::string gbk{static_cast<char>(lead), static_cast<char>(trail)};
      const std::u16string u = GbkToUtf16(gbk);
      if (u.size() != 1 || u[0] == u'\uFFFD' || u[0] == u'\x1A') continue;
      ++defined;
      ASSERT_EQ(Utf16ToGbk(u), gbk) << std::hex << lead << " " << trail;
    }
  }
  EXPECT_GT(defined, 21000);
}

TEST(CodePage, ByteOffsetOfEveryUnit) {
  struct Case {
    const char* name;
    std::string gbk;
    std::u16string utf16;
    std::vector<int> offsets;
  };
  const Case cases[] = {
      {"ASCII", "ab", u"ab", {0, 1, 2}},
      {"double-byte characters", "\xD3\x5B" + std::string("a\xD4\x5D"), u"覽a註", {0, 2, 3, 5}},
      {"euro sign is one byte", "\x80" + std::string("a"), u"\u20ACa", {0, 1, 2}},
      {"lead byte at the end", "a\x81", u"a\uFFFD", {0, 1, 2}},
      {"lead byte without a trail", "\x81\x20" + std::string("b"), u"\uFFFD b", {0, 1, 2, 3}},
      {"empty", "", u"", {0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<int> offsets{7};
    EXPECT_EQ(GbkToUtf16(c.gbk, &offsets), c.utf16);
    EXPECT_EQ(offsets, c.offsets);
  }
}

// ICU over the whole text in one call, as the code page layer is to give it, for comparison
// with the layer's piecewise fast paths.
class WholeTextIcu {
 public:
  WholeTextIcu() {
    UErrorCode err = U_ZERO_ERROR;
    converter_.reset(ucnv_open("windows-936-2000", &err));
    ucnv_setSubstChars(converter_.get(), "?", 1, &err);
    ucnv_setFallback(converter_.get(), true);
    EXPECT_TRUE(U_SUCCESS(err));
  }

  std::u16string ToUtf16(const std::string& gbk, std::vector<int>* offsets) {
    std::u16string out(gbk.size() + 1, u'\0');
    offsets->assign(out.size(), 0);
    const char* src = gbk.data();
    UChar* dst = reinterpret_cast<UChar*>(out.data());
    UErrorCode err = U_ZERO_ERROR;
    ucnv_resetToUnicode(converter_.get());
    ucnv_toUnicode(converter_.get(), &dst, dst + out.size(), &src, src + gbk.size(),
                   offsets->data(), true, &err);
    out.resize(static_cast<size_t>(dst - reinterpret_cast<UChar*>(out.data())));
    offsets->resize(out.size());
    offsets->push_back(static_cast<int>(gbk.size()));
    return out;
  }

  std::string ToGbk(const std::u16string& utf16) {
    std::string out(utf16.size() * 2 + 1, '\0');
    const UChar* src = reinterpret_cast<const UChar*>(utf16.data());
    char* dst = out.data();
    UErrorCode err = U_ZERO_ERROR;
    ucnv_resetFromUnicode(converter_.get());
    ucnv_fromUnicode(converter_.get(), &dst, dst + out.size(), &src, src + utf16.size(), nullptr,
                     true, &err);
    out.resize(static_cast<size_t>(dst - out.data()));
    return out;
  }

 private:
  struct Closer {
    void operator()(UConverter* c) const { ucnv_close(c); }
  };
  std::unique_ptr<UConverter, Closer> converter_;
};

// Random texts from pieces where the fast paths and ICU could part: ASCII that is also a trail
// byte, lead bytes without a valid trail, the one-byte euro sign, bytes the code page lacks,
// unassigned and user-defined pairs; surrogates alone and in pairs, characters the code page
// lacks.
TEST(CodePage, AgreesWithIcuOverTheWholeText) {
  const std::vector<std::string> bytePieces = {
      "a",        "[",        "\x7F",     std::string(1, '\0'),
      " ",        "\n",       "\x80",     "\xFF",
      "\x81",     "\xD6\xD0", "\xD3\x5B", "\xAA\xA1",
      "\xA2\xA0", "\xA1\xA1", "\xFE\xFE", "\xFE",
      "\x81\x7F", "\x81\x30"};
  const std::vector<std::u16string> unitPieces = {u"a",
                                                  u"\u0080",
                                                  u"\u20AC",
                                                  u"\u4E2D",
                                                  u"\uE000",
                                                  u"\u0E01",
                                                  u"\uFFFD",
                                                  u"\uFFFF",
                                                  u"\U0001F600",
                                                  std::u16string(1, u'\xD800'),
                                                  std::u16string(1, u'\xDC00'),
                                                  u"\u00E9"};
  std::mt19937 random(936);
  WholeTextIcu icu;
  for (int round = 0; round < 5000; ++round) {
    std::string gbk;
    std::u16string utf16;
    for (int n = static_cast<int>(random() % 12); n > 0; --n) {
      gbk += bytePieces[random() % bytePieces.size()];
      utf16 += unitPieces[random() % unitPieces.size()];
    }
    std::vector<int> expectedOffsets, offsets;
    const std::u16string expected = icu.ToUtf16(gbk, &expectedOffsets);
    ASSERT_EQ(GbkToUtf16(gbk), expected) << round;
    ASSERT_EQ(GbkToUtf16(gbk, &offsets), expected) << round;
    ASSERT_EQ(offsets, expectedOffsets) << round;
    ASSERT_EQ(Utf16ToGbk(utf16), icu.ToGbk(utf16)) << round;
  }
}

TEST(CodePage, EmptyInEmptyOut) {
  EXPECT_TRUE(GbkToUtf16("").empty());
  EXPECT_TRUE(Utf16ToGbk(u"").empty());
  EXPECT_TRUE(Utf8ToUtf16("").empty());
  EXPECT_TRUE(Utf8ToGbkBytes("").empty());
}

}  // namespace
}  // namespace korvelin

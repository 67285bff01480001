#include "text/codepage.h"

#include <gtest/gtest.h>

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

TEST(CodePage, EmptyInEmptyOut) {
  EXPECT_TRUE(GbkToUtf16("").empty());
  EXPECT_TRUE(Utf16ToGbk(u"").empty());
  EXPECT_TRUE(Utf8ToUtf16("").empty());
  EXPECT_TRUE(Utf8ToGbkBytes("").empty());
}

}  // namespace
}  // namespace korvelin

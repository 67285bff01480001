#include "web/base64.h"

#include <gtest/gtest.h>

namespace korvelin {
namespace {

TEST(Base64Encode, Cases) {
  struct Case {
    const char* name;
    Bytes bytes;
    Text expected;
  };
  const Case cases[] = {
      {"empty", "", ""},
      {"one byte", "f", "Zg=="},
      {"two bytes", "fo", "Zm8="},
      {"three bytes", "foo", "Zm9v"},
      {"four bytes", "foob", "Zm9vYg=="},
      {"five bytes", "fooba", "Zm9vYmE="},
      {"six bytes", "foobar", "Zm9vYmFy"},
      {"zero and high bytes", Bytes("\0\xFF\xFE", 3), "AP/+"},
      {"user and colon", "user:", "dXNlcjo="},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Base64Encode(c.bytes), c.expected);
  }
}

}  // namespace
}  // namespace korvelin

#include "harvest/keyword_set.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/gbk.h"

namespace korvelin {
namespace {

using ::korvelin::testing::G;

TextArray ToArray(const KeywordSet::Snapshot& keys) {
  TextArray out;
  for (int i = 1; i <= keys.Count(); ++i) out.push_back(keys.At(i));
  return out;
}

TEST(KeywordSet, AddKeepsByteExactKeysInInsertionOrder) {
  struct Add {
    Text key;
    bool isNew;
  };
  const Text lan = "\xD3\x5B";  // 覽, trail byte "["
  const Add adds[] = {
      {G("减肥"), true},   {G("减肥"), false}, {G("减肥 "), true},  // no trimming
      {G("减肥　"), true},                                          // full-width space
      {"diet", true},      {"Diet", true},                          // no case folding
      {"", true},                                                   // the empty key is a key
      {"", false},         {lan, true},        {"[", true},         // the trail byte alone
      {"\xD3", true},                                               // the lead byte alone
      {lan, false},        {"diet", false},
  };
  KeywordSet set;
  TextArray expected;
  for (const Add& add : adds) {
    SCOPED_TRACE(add.key);
    EXPECT_EQ(set.Add(add.key), add.isNew);
    if (add.isNew) expected.push_back(add.key);
  }
  EXPECT_EQ(ToArray(set.Keys()), expected);
  EXPECT_EQ(set.Count(), static_cast<int>(expected.size()));
}

TEST(KeywordSet, SnapshotsNeverChange) {
  auto set = std::make_unique<KeywordSet>();
  EXPECT_EQ(set->Keys().Count(), 0);
  EXPECT_EQ(KeywordSet::Snapshot().Count(), 0);

  set->Add("a");
  const KeywordSet::Snapshot first = set->Keys();
  for (int i = 0; i < 1000; ++i) set->Add("k" + std::to_string(i));  // the storage grows
  const KeywordSet::Snapshot second = set->Keys();
  set->Add("last");
  set.reset();  // snapshots outlive their set

  EXPECT_EQ(ToArray(first), TextArray{"a"});
  ASSERT_EQ(second.Count(), 1001);
  EXPECT_EQ(second.At(1), "a");
  EXPECT_EQ(second.At(2), "k0");
  EXPECT_EQ(second.At(1001), "k999");
}

TEST(KeywordSet, StaysExactAsItGrows) {
  KeywordSet set;
  const auto key = [](int i) { return G("词") + std::to_string(i); };
  for (int i = 0; i < 100'000; ++i) ASSERT_TRUE(set.Add(key(i))) << i;
  for (int i = 0; i < 100'000; ++i) ASSERT_FALSE(set.Add(key(i))) << i;
  EXPECT_TRUE(set.Add(key(100'000)));
  const KeywordSet::Snapshot keys = set.Keys();
  ASSERT_EQ(keys.Count(), 100'001);
  EXPECT_EQ(keys.At(1), key(0));
  EXPECT_EQ(keys.At(65'537), key(65'536));
  EXPECT_EQ(keys.At(100'001), key(100'000));
}

}  // namespace
}  // namespace korvelin

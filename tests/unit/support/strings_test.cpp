#include <gtest/gtest.h>

#include "support/utility.h"

namespace mv {
namespace {

TEST(StringFunctions, CompareGivesPrefixLengthOrIdentity) {
  EXPECT_EQ(Compare("abc", "abd"), 2);
  EXPECT_EQ(Compare("abc", "abc"), -1);
  EXPECT_EQ(Compare("abc", "xbc"), 0);
}

TEST(StringFunctions, StrtonumReadsEveryRadix) {
  EXPECT_EQ(strtonum("0b101"), 5);
  EXPECT_EQ(strtonum("017"), 15);
  EXPECT_EQ(strtonum("0x1F"), 31);
  EXPECT_EQ(strtonum("42z"), 42);
}

}  // namespace
}  // namespace mv

#include <gtest/gtest.h>

#include <string>

#include "support/utility.h"

namespace mv {
namespace {

TEST(StringFunctions, CompareGivesPrefixLengthOrIdentity) {
  EXPECT_EQ(Compare("abc", "abd"), 2);
  EXPECT_EQ(Compare("abc", "abc"), -1);
  EXPECT_EQ(Compare("abc", "xbc"), 0);
}

TEST(StringFunctions, CompareCountsAPrefixThatEndsOneString) {
  EXPECT_EQ(Compare("ab", "abc"), 2);
  EXPECT_EQ(Compare("abc", "ab"), 2);
  EXPECT_EQ(Compare("a", "b"), 0);
  EXPECT_EQ(Compare("", ""), -1);
  EXPECT_EQ(Compare("Abc", "abc"), 0);  // case matters here
}

TEST(StringFunctions, StrtonumReadsEveryRadix) {
  EXPECT_EQ(strtonum("0b101"), 5);
  EXPECT_EQ(strtonum("017"), 15);
  EXPECT_EQ(strtonum("0x1F"), 31);
  EXPECT_EQ(strtonum("42z"), 42);
}

TEST(StringFunctions, StrtonumPrefixesIgnoreCase) {
  EXPECT_EQ(strtonum("0X1f"), 31);
  EXPECT_EQ(strtonum("0xfF"), 255);
  EXPECT_EQ(strtonum("0B11"), 3);
  EXPECT_EQ(strtonum("1234567"), 1234567);
  EXPECT_EQ(strtonum("0"), 0);
}

TEST(StringFunctions, StrtonumStopsAtTheFirstNonDigitOfItsBase) {
  EXPECT_EQ(strtonum("019"), 1);    // 9 is not octal
  EXPECT_EQ(strtonum("08"), 0);
  EXPECT_EQ(strtonum("0b1021"), 2);  // 2 is not binary
  EXPECT_EQ(strtonum("0x1G"), 1);
  EXPECT_EQ(strtonum("12ab"), 12);   // hex digits are not decimal ones
  EXPECT_EQ(strtonum("0x"), 0);
  EXPECT_EQ(strtonum("0b"), 0);
  EXPECT_EQ(strtonum(""), 0);
  EXPECT_EQ(strtonum(" 5"), 0);
  EXPECT_EQ(strtonum("7 5"), 7);
}

TEST(StringFunctions, StrequivFoldsLettersOnly) {
  EXPECT_TRUE(strequiv("Hello", "hELLO"));
  EXPECT_TRUE(strequiv("", ""));
  EXPECT_FALSE(strequiv("abc", "abcd"));
  EXPECT_FALSE(strequiv("abcd", "abc"));
  EXPECT_FALSE(strequiv("@", "`"));  // differ only in the bit that folds letters
  EXPECT_FALSE(strequiv("[", "{"));
  EXPECT_FALSE(strequiv("^", "~"));
}

TEST(StringFunctions, StrequivKeepsBytesAbove127AsTheyAre) {
  EXPECT_TRUE(strequiv("\xC4x", "\xC4X"));
  EXPECT_FALSE(strequiv("\xC4", "\xE4"));
  EXPECT_FALSE(strequiv("\xFF", "\xDF"));
  EXPECT_FALSE(strequiv("a\x80", "a"));
}

TEST(StringFunctions, StrequivOfAbsentOrSameOperands) {
  const char* s = "same";
  EXPECT_TRUE(strequiv(s, s));
  EXPECT_TRUE(strequiv(nullptr, nullptr));
  EXPECT_FALSE(strequiv(nullptr, ""));
  EXPECT_FALSE(strequiv("", nullptr));
  EXPECT_FALSE(strequiv(nullptr, "x"));
}

TEST(StringFunctions, StrinstrFindsTheFirstOccurrence) {
  const char* text = "abcabc";
  EXPECT_EQ(strinstr(text, "bc"), text + 1);
  EXPECT_EQ(strinstr(text, "abc"), text);
  EXPECT_EQ(strinstr(text, "cab"), text + 2);
  EXPECT_EQ(strinstr(text, "abcabcd"), nullptr);
  EXPECT_EQ(strinstr(text, "x"), nullptr);
}

TEST(StringFunctions, StrinstrWithEmptyOrAbsentOperands) {
  const char* text = "abc";
  EXPECT_EQ(strinstr(text, ""), text);
  const char* empty = "";
  EXPECT_EQ(strinstr(empty, ""), empty);
  EXPECT_EQ(strinstr(empty, "a"), nullptr);
  EXPECT_EQ(strinstr(nullptr, "a"), nullptr);
  EXPECT_EQ(strinstr(text, nullptr), nullptr);
  EXPECT_EQ(strinstr(nullptr, nullptr), nullptr);
}

// h = (h * 2) XOR c over the bytes, 32 bits unsigned, then mod 127.
TEST(StringFunctions, HashitValuesWorkedByHand) {
  EXPECT_EQ(Hashit(nullptr), 0);
  EXPECT_EQ(Hashit(""), 0);
  EXPECT_EQ(Hashit("A"), 65);
  EXPECT_EQ(Hashit("\x7F"), 0);  // 127 mod 127
  EXPECT_EQ(Hashit("ab"), 33);   // 97*2 ^ 98 = 160
  EXPECT_EQ(Hashit("abc"), 37);  // 160*2 ^ 99 = 291
}

TEST(StringFunctions, HashitReadsBytesAsUnsigned) {
  EXPECT_EQ(Hashit("\xFF"), 1);       // 255 mod 127
  EXPECT_EQ(Hashit("\x80\x80"), 3);   // 256 ^ 128 = 384
}

TEST(StringFunctions, HashitWorksInThirtyTwoBits) {
  // A byte followed by 32 more has been shifted out of 32 bits; after 31
  // more its lowest bit is still the top bit.
  const std::string tail32(32, 'b');
  const std::string tail31(31, 'b');
  EXPECT_EQ(Hashit(("a" + tail32).c_str()), Hashit(("b" + tail32).c_str()));
  EXPECT_NE(Hashit(("a" + tail31).c_str()), Hashit(("b" + tail31).c_str()));
  for (const std::string& s : {std::string(200, 'z'), std::string(1000, '\xEE')}) {
    const int h = Hashit(s.c_str());
    EXPECT_GE(h, 0);
    EXPECT_LT(h, 127);
  }
}

}  // namespace
}  // namespace mv

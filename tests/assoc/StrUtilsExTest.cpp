#include "assoc/StrUtilsEx.h"

#include <gtest/gtest.h>

#include "assoc/AssocArrays.h"

namespace lumivane {
namespace {

struct ReplaceCase {
  std::u16string s, pattern, replacement;
  int flags;
  std::u16string expected;
};

TEST(StrReplaceEx, Cases) {
  const ReplaceCase cases[] = {
      {u"aXbXc", u"X", u"", 0, u"abXc"},
      {u"aXbXc", u"X", u"", ReplaceAll, u"abc"},
      {u"aaaa", u"aa", u"b", ReplaceAll, u"bb"},
      {u"aaa", u"aa", u"b", ReplaceAll, u"ba"},
      {u"Abc abc", u"ABC", u"x", ReplaceAll | IgnoreCase, u"x x"},
      {u"Abc abc", u"ABC", u"x", ReplaceAll, u"Abc abc"},
      {u"Abc abc", u"ABC", u"x", IgnoreCase, u"x abc"},
      {u"MiXeD mixed", u"mixed", u"12345", ReplaceAll | IgnoreCase, u"12345 12345"}, // same length
      {u"abc", u"", u"x", ReplaceAll, u"abc"},
      {u"", u"a", u"x", ReplaceAll, u""},
      {u"abc", u"abcd", u"x", ReplaceAll, u"abc"},
      {u"abc", u"b", u"long", 0, u"alongc"},
      {u"__:level", u"__:", u"", 0, u"level"},
      {u"x__:y__:", u"__:", u"", 0, u"xy__:"},
      {u"Кнопка КНОПКА", u"кнопка", u"ok", ReplaceAll | IgnoreCase, u"ok ok"},
      {u"KeepCase-kEEp", u"-", u"+", ReplaceAll | IgnoreCase, u"KeepCase+kEEp"}, // uncased pattern
      {std::u16string(u"a\0b\0", 4), std::u16string(1, u'\0'), u"\r\n", ReplaceAll | IgnoreCase,
       u"a\r\nb\r\n"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(StrReplaceEx(c.s, c.pattern, c.replacement, c.flags), c.expected)
        << ToUtf8(c.s) << " / " << ToUtf8(c.pattern) << " flags " << c.flags;
}

TEST(StrReplaceEx, SameLengthReplacementChangesOnlyTheMatches) {
  std::u16string s = u"one TWO three two";
  std::u16string result = StrReplaceEx(s, u"two", u"2_2", ReplaceAll | IgnoreCase);
  EXPECT_EQ(result, u"one 2_2 three 2_2");
  EXPECT_EQ(result.size(), s.size());
}

TEST(StrReplaceEx, ManyMatchesBeyondTheInitialPositionRoom) {
  std::u16string s, expected;
  for (int i = 0; i < 1000; ++i) {
    s += u"ab,";
    expected += u"ab;;";
  }
  EXPECT_EQ(StrReplaceEx(s, u",", u";;", ReplaceAll), expected);
  EXPECT_EQ(StrReplaceEx(expected, u";;", u",", ReplaceAll), s);
}

TEST(StrReplaceEx, ResultBeyondTheSignedRangeRaises) {
  // 65536 matches, each growing by 32768: 2^31 + 65536 code units, caught before allocating.
  std::u16string s(65536, u'a');
  std::u16string replacement(32769, u'b');
  EXPECT_THROW(StrReplaceEx(s, u"a", replacement, ReplaceAll), IntOverflowError);
}

TEST(UpperFirst, UpperCasesOnlyTheFirstCharacter) {
  EXPECT_EQ(UpperFirst(u"russian"), u"Russian");
  EXPECT_EQ(UpperFirst(u""), u"");
  EXPECT_EQ(UpperFirst(u"украинский язык"), u"Украинский язык");
  EXPECT_EQ(UpperFirst(u"1st"), u"1st");
}

TEST(PosNoCase, FindsRegardlessOfCase) {
  EXPECT_EQ(PosNoCase(u"__:", u"__:level"), 1);
  EXPECT_EQ(PosNoCase(u"LEVEL", u"__:level"), 4);
  EXPECT_EQ(PosNoCase(u"", u"abc"), 0);
  EXPECT_EQ(PosNoCase(u"x", u"abc"), 0);
  EXPECT_EQ(PosNoCase(u"abcd", u"abc"), 0);
  EXPECT_TRUE(HasTextNoCase(u"русский", u"Русский"));
  EXPECT_TRUE(HasTextNoCase(u"ukrainian", u"Ukrainian (Ukraine)"));
  EXPECT_FALSE(HasTextNoCase(u"russian", u"English"));
  EXPECT_FALSE(HasTextNoCase(u"", u""));
}

} // namespace
} // namespace lumivane

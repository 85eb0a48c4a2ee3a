#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/Win32Locale.h"

namespace lumivane::win32 {
namespace {

int Sign(int v) {
  return (v > 0) - (v < 0);
}

struct CompareCase {
  std::u16string a, b;
  int sign;
};

TEST(Win32Locale, CompareFollowsTheUserCollation) {
  const CompareCase cases[] = {
      {u"a", u"b", -1},          {u"b", u"a", 1},
      {u"abc", u"abc", 0},       {u"", u"a", -1},
      {u"a", u"A", -1},                                      // lower case first on a tie of letters
      {u"10", u"9", -1},                                     // digits compare as characters, not as numbers
      {u"apple", u"Banana", -1}, {u"\u0430", u"\u0431", -1}, // Cyrillic а < б
  };
  Win32Locale locale;
  for (const auto& c : cases) {
    int r = locale.Compare(c.a, c.b);
    EXPECT_EQ(Sign(r), c.sign) << "case " << std::string(c.a.begin(), c.a.end());
    EXPECT_GE(r, -1);
    EXPECT_LE(r, 1);
  }
}

TEST(Win32Locale, CaseMappingKeepsTheLength) {
  struct Case {
    std::u16string in, upper, lower;
  };
  const Case cases[] = {
      {u"abc XYZ 12", u"ABC XYZ 12", u"abc xyz 12"},
      {u"\u00e0\u00e9\u00c8", u"\u00c0\u00c9\u00c8", u"\u00e0\u00e9\u00e8"},
      {u"\u043f\u0440\u0438\u0432\u0435\u0442", u"\u041f\u0420\u0418\u0412\u0415\u0422",
       u"\u043f\u0440\u0438\u0432\u0435\u0442"},
      {u"stra\u00dfe", u"STRA\u00dfE", u"stra\u00dfe"}, // no one-to-two mapping for ß
      {u"", u"", u""},
  };
  Win32Locale locale;
  for (const auto& c : cases) {
    EXPECT_EQ(locale.Upper(c.in), c.upper);
    EXPECT_EQ(locale.Lower(c.in), c.lower);
  }
}

TEST(Win32Locale, DecodesTheAnsiCodePage) {
  Win32Locale locale;
  EXPECT_EQ(locale.DecodeAnsi("Dell U2415"), u"Dell U2415");
  EXPECT_EQ(locale.DecodeAnsi(""), u"");
  if (::GetACP() == 1252) {
    EXPECT_EQ(locale.DecodeAnsi("caf\xe9"), u"caf\u00e9");
  }
}

TEST(Win32Locale, LongTimeHasHoursMinutesAndSeconds) {
  Win32Locale locale;
  LocalTime t;
  t.year = 2024;
  t.month = 3;
  t.day = 9;
  t.hour = 14;
  t.minute = 5;
  t.second = 9;
  std::u16string text = locale.FormatLongTime(t);
  EXPECT_NE(text.find(u"05"), std::u16string::npos);
  EXPECT_NE(text.find(u"09"), std::u16string::npos);
  EXPECT_TRUE(text.find(u"14") != std::u16string::npos || text.find(u"2") != std::u16string::npos);
  EXPECT_EQ(text.find(u'\0'), std::u16string::npos);
}

// The user's language by its English name: "Russian" and "Ukrainian" choose their tables.
TEST(Win32Locale, TheUsersLanguageHasAnEnglishName) {
  const std::u16string name = Win32Locale().EnglishLanguageName();
  ASSERT_FALSE(name.empty());
  EXPECT_EQ(name.find(u'\0'), std::u16string::npos);
  for (char16_t c : name)
    EXPECT_TRUE((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u' ' || c == u'(' || c == u')')
        << "not an English name: " << std::string(name.begin(), name.end());
  if (PRIMARYLANGID(::GetUserDefaultLangID()) == LANG_ENGLISH) {
    EXPECT_EQ(name, u"English");
  }
}

TEST(Win32Locale, ServesAsTheCurrentLocale) {
  Win32Locale locale;
  SetCurrentLocale(&locale);
  EXPECT_EQ(&CurrentLocale(), &locale);
  SetCurrentLocale(nullptr);
  EXPECT_NE(&CurrentLocale(), &locale);
}

} // namespace
} // namespace lumivane::win32

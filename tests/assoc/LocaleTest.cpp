#include "platform/Locale.h"

#include <gtest/gtest.h>

#include "assoc/AssocArrays.h"
#include "assoc/StrUtilsEx.h"

namespace lumivane {
namespace {

TEST(StandInLocale, ComparesCaseFoldedWithLowerCaseFirst) {
  StandInLocale locale;
  struct Case {
    const char16_t *a, *b;
    int sign;
  };
  const Case cases[] = {
      {u"1", u"10", -1},         {u"10", u"2", -1},  {u"a", u"B", -1},         {u"a", u"A", -1},
      {u"A", u"a", 1},           {u"Ab", u"aB", 1},  {u"abc", u"abc", 0},      {u"", u"a", -1},
      {u"name", u"Name", -1},    {u"ёж", u"Ёж", -1}, {u"яблоко", u"Ящик", -1}, {u"ς", u"σ", -1},
      {u"max", u"max_orig", -1}, {u"_", u"a", -1},
  };
  for (const auto& c : cases) {
    int r = locale.Compare(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << ToUtf8(c.a) << " vs " << ToUtf8(c.b);
    int back = locale.Compare(c.b, c.a);
    EXPECT_EQ((back > 0) - (back < 0), -c.sign) << ToUtf8(c.b) << " vs " << ToUtf8(c.a);
  }
}

TEST(StandInLocale, CaseMappingKeepsTheLength) {
  StandInLocale locale;
  const std::pair<std::u16string, std::u16string> pairs[] = {
      {u"abc xyz", u"ABC XYZ"},
      {u"àéîõüýþ", u"ÀÉÎÕÜÝÞ"},
      {u"āăąćčďēğħīĳķĺľłńňōőœŕřśšťūůűųŵŷźżž", u"ĀĂĄĆČĎĒĞĦĪĲĶĹĽŁŃŇŌŐŒŔŘŚŠŤŪŮŰŲŴŶŹŻŽ"},
      {u"αβγδεζηθικλμνξοπρστυφχψω", u"ΑΒΓΔΕΖΗΘΙΚΛΜΝΞΟΠΡΣΤΥΦΧΨΩ"},
      {u"άέήίόύώ", u"ΆΈΉΊΌΎΏ"},
      {u"абвгдеёжзийклмнопрстуфхцчшщъыьэюя", u"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"},
      {u"іїєґў", u"ІЇЄҐЎ"},
  };
  for (const auto& [lower, upper] : pairs) {
    EXPECT_EQ(locale.Upper(lower), upper) << ToUtf8(lower);
    EXPECT_EQ(locale.Lower(upper), lower) << ToUtf8(upper);
  }
  // Letters whose full mapping would change the length stay as they are.
  EXPECT_EQ(locale.Upper(u"ßŉ"), u"ßŉ");
  EXPECT_EQ(locale.Upper(u"ÿςıſ"), u"ŸΣIS");
  EXPECT_EQ(locale.Upper(u"1 + ×÷ 中"), u"1 + ×÷ 中");
}

TEST(StandInLocale, DecodesWindows1252AndFormatsTime) {
  StandInLocale locale;
  EXPECT_EQ(locale.DecodeAnsi("Caf\xE9 \x80 \x93q\x94 \x81"), u"Café € “q” \u0081");
  EXPECT_EQ(locale.FormatLongTime({2026, 12, 9, 7, 5, 9, 999}), u"07:05:09");
  EXPECT_EQ(locale.FormatLongTime({2026, 12, 9, 23, 59, 0, 0}), u"23:59:00");
}

// A locale that orders in reverse and upper-cases nothing, to show who consults CurrentLocale.
class ReverseLocale : public ILocale {
 public:
  int Compare(const std::u16string& a, const std::u16string& b) const override { return b.compare(a); }
  std::u16string Upper(const std::u16string& s) const override { return s; }
  std::u16string Lower(const std::u16string& s) const override { return s; }
  std::u16string DecodeAnsi(const std::string& bytes) const override { return FromUtf8(bytes); }
  std::u16string FormatLongTime(const LocalTime&) const override { return u"t"; }
  std::u16string EnglishLanguageName() const override { return {}; }
};

TEST(CurrentLocale, ServesTheStandInUntilReplaced) {
  TAssoc node;
  node[u"a"];
  node[u"b"];
  ReverseLocale reverse;
  SetCurrentLocale(&reverse);
  EXPECT_EQ(&CurrentLocale(), &reverse);
  EXPECT_EQ(node.AscKeys().front().Text(), u"b");
  EXPECT_EQ(PosNoCase(u"A", u"xa"), 0);
  SetCurrentLocale(nullptr);
  EXPECT_NE(dynamic_cast<StandInLocale*>(&CurrentLocale()), nullptr);
  EXPECT_EQ(node.AscKeys().front().Text(), u"a");
  EXPECT_EQ(PosNoCase(u"A", u"xa"), 2);
}

} // namespace
} // namespace lumivane

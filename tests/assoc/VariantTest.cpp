#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "assoc/AssocArrays.h"

namespace lumivane {
namespace {

struct NarrowCase {
  int64_t value;
  uint16_t kind;
};

TEST(Variant, NarrowPicksTheSmallestKind) {
  const NarrowCase cases[] = {
      {0, vkByte},
      {1, vkByte},
      {255, vkByte},
      {256, vkWord},
      {65535, vkWord},
      {65536, vkLongWord},
      {4294967295, vkLongWord},
      {4294967296, vkInt64},
      {-1, vkShortInt},
      {-128, vkShortInt},
      {-129, vkSmallInt},
      {-32768, vkSmallInt},
      {-32769, vkInteger},
      {std::numeric_limits<int32_t>::min(), vkInteger},
      {int64_t{std::numeric_limits<int32_t>::min()} - 1, vkInt64},
      {std::numeric_limits<int64_t>::min(), vkInt64},
  };
  for (const auto& c : cases) {
    Variant v = Variant::Narrow(c.value);
    EXPECT_EQ(v.Kind(), c.kind) << c.value;
    EXPECT_EQ(v.ToInt64(), c.value);
  }
  EXPECT_EQ(Variant::Narrow(std::numeric_limits<uint64_t>::max()).Kind(), vkUInt64);
  EXPECT_EQ(Variant::Narrow(uint64_t{7}).Kind(), vkByte);
  EXPECT_EQ(Variant::Narrow(5).Kind(), vkByte); // plain int literal
}

TEST(Variant, TypedConstructorsKeepTheirKind) {
  EXPECT_EQ(Variant(int32_t{1}).Kind(), vkInteger);
  EXPECT_EQ(Variant(uint16_t{1}).Kind(), vkWord);
  EXPECT_EQ(Variant(int64_t{1}).Kind(), vkInt64);
  EXPECT_EQ(Variant(1ull).Kind(), vkUInt64);
  EXPECT_EQ(Variant(1ll).Kind(), vkInt64);
  EXPECT_EQ(Variant(true).Kind(), vkBoolean);
  EXPECT_EQ(Variant(u"x").Kind(), vkUString);
  EXPECT_EQ(Variant().Kind(), vkEmpty);
  EXPECT_EQ(Variant::Null().Kind(), vkNull);
}

TEST(Variant, TextForms) {
  const std::pair<Variant, std::u16string> cases[] = {
      {Variant(), u""},
      {Variant::Null(), u""},
      {Variant(true), u"True"},
      {Variant(false), u"False"},
      {Variant(int8_t{-128}), u"-128"},
      {Variant(uint8_t{0}), u"0"},
      {Variant(std::numeric_limits<int64_t>::min()), u"-9223372036854775808"},
      {Variant(std::numeric_limits<uint64_t>::max()), u"18446744073709551615"},
      {Variant(u"Display"), u"Display"},
      {Variant(u""), u""},
  };
  for (const auto& [v, text] : cases)
    EXPECT_EQ(v.Text(), text) << v.Kind();
}

TEST(Variant, TextConvertsToNumbersAndTruthValues) {
  struct Case {
    const char16_t* text;
    int64_t number;
    bool truth;
  };
  const Case cases[] = {
      {u"50", 50, true}, {u" -7 ", -7, true},
      {u"+3", 3, true},  {u"0", 0, false},
      {u"-1", -1, true}, {u"-9223372036854775808", std::numeric_limits<int64_t>::min(), true},
      {u"007", 7, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Variant(c.text).ToInt64(), c.number) << ToUtf8(c.text);
    EXPECT_EQ(Variant(c.text).ToBool(), c.truth) << ToUtf8(c.text);
  }
  for (const char16_t* t : {u"True", u"true", u"TRUE", u"tRuE"})
    EXPECT_TRUE(Variant(t).ToBool()) << ToUtf8(t);
  for (const char16_t* t : {u"False", u"false", u"FALSE"})
    EXPECT_FALSE(Variant(t).ToBool()) << ToUtf8(t);
}

TEST(Variant, ImpossibleConversionsRaise) {
  for (const char16_t* t :
       {u"", u"abc", u"1.5", u"12a", u"-", u"9223372036854775808", u"99999999999999999999", u"true"})
    EXPECT_THROW(Variant(t).ToInt64(), ConvertError) << ToUtf8(t);
  for (const char16_t* t : {u"", u"yes", u"truee", u"1x"})
    EXPECT_THROW(Variant(t).ToBool(), ConvertError) << ToUtf8(t);
  EXPECT_THROW(Variant::Null().ToInt64(), ConvertError);
  EXPECT_THROW(Variant::Null().ToBool(), ConvertError);
  EXPECT_THROW(Variant(u"-1").ToUInt64(), ConvertError);
  EXPECT_THROW(Variant(std::numeric_limits<uint64_t>::max()).ToInt64(), IntOverflowError);
  EXPECT_THROW(Variant(int8_t{-1}).ToUInt64(), IntOverflowError);
  EXPECT_THROW(Variant(u"2147483648").ToInt32(), IntOverflowError);
  EXPECT_EQ(Variant(u"-2147483648").ToInt32(), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(Variant(u"18446744073709551615").ToUInt64(), std::numeric_limits<uint64_t>::max());
}

TEST(Variant, EmptyConvertsToZeroFalseAndEmptyText) {
  Variant empty;
  EXPECT_EQ(empty.ToInt64(), 0);
  EXPECT_EQ(empty.ToInt32(), 0);
  EXPECT_EQ(empty.ToUInt64(), 0u);
  EXPECT_FALSE(empty.ToBool());
  EXPECT_EQ(empty.Text(), u"");
}

TEST(Variant, NumbersConvertToTruthValuesAndBack) {
  EXPECT_TRUE(Variant(int16_t{-5}).ToBool());
  EXPECT_FALSE(Variant(uint64_t{0}).ToBool());
  EXPECT_EQ(Variant(true).ToInt64(), -1);
  EXPECT_EQ(Variant(false).ToInt64(), 0);
}

TEST(Variant, KeyIdentityGoesByTextForm) {
  VariantKeyHash hash;
  const std::pair<Variant, Variant> same[] = {
      {Variant(uint8_t{5}), Variant(u"5")},
      {Variant(int64_t{5}), Variant(uint16_t{5})},
      {Variant(int8_t{-1}), Variant(u"-1")},
      {Variant(true), Variant(u"True")},
      {Variant(), Variant()},
      {Variant::Null(), Variant::Null()},
      {Variant(std::numeric_limits<uint64_t>::max()), Variant(u"18446744073709551615")},
  };
  for (const auto& [a, b] : same) {
    EXPECT_TRUE(a.SameKey(b)) << ToUtf8(a.Text());
    EXPECT_TRUE(b.SameKey(a)) << ToUtf8(a.Text());
    EXPECT_EQ(hash(a), hash(b)) << ToUtf8(a.Text());
  }
  const std::pair<Variant, Variant> different[] = {
      {Variant(uint8_t{5}), Variant(u"05")},
      {Variant(u"Name"), Variant(u"name")},
      {Variant(), Variant(u"")},
      {Variant::Null(), Variant(u"")},
      {Variant(), Variant::Null()},
      {Variant(true), Variant(u"true")},
      {Variant(int8_t{-1}), Variant(uint8_t{1})},
  };
  for (const auto& [a, b] : different) {
    EXPECT_FALSE(a.SameKey(b)) << ToUtf8(a.Text()) << " / " << ToUtf8(b.Text());
    EXPECT_FALSE(b.SameKey(a)) << ToUtf8(a.Text()) << " / " << ToUtf8(b.Text());
  }
}

TEST(Variant, KindNames) {
  EXPECT_EQ(VariantTypeName(vkUString), u"UString");
  EXPECT_EQ(VariantTypeName(vkShortInt), u"ShortInt");
  EXPECT_EQ(VariantTypeName(vkLongWord), u"LongWord");
  EXPECT_EQ(VariantTypeName(4095), u"TypeMask");
  EXPECT_EQ(VariantTypeName(14), u"");
  EXPECT_EQ(VariantTypeName(259), u"");
}

TEST(Utf, ConvertsBothWaysAndReplacesBrokenSequences) {
  const std::u16string text = u"Дисплей 显示器 \U0001F600 a/b";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(u"\u00e9"), "\xC3\xA9");
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(ToUtf8(std::u16string{char16_t(0xDC00), u'a'}), "\xEF\xBF\xBD"
                                                            "a");
  EXPECT_EQ(FromUtf8("\xFF"
                     "a"),
            u"\uFFFDa");
  EXPECT_EQ(FromUtf8("\xE2\x82"), u"\uFFFD");       // truncated
  EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD"); // overlong
  EXPECT_EQ(FromUtf8("\xED\xA0\x80"), u"\uFFFD");   // encoded surrogate
  EXPECT_EQ(FromUtf8("\xF0\x9F\x98\x80"), u"\U0001F600");
}

TEST(AssocError, CarriesTheMessageInBothForms) {
  AssocError e(u"Ключ");
  EXPECT_EQ(e.Message(), u"Ключ");
  EXPECT_STREQ(e.what(), "Ключ");
}

} // namespace
} // namespace lumivane

#include "assoc/AssocArrays.h"

#include <gtest/gtest.h>

#include <limits>

namespace lumivane {
namespace {

std::vector<std::u16string> Texts(const std::vector<Variant>& keys) {
  std::vector<std::u16string> out;
  for (const auto& k : keys)
    out.push_back(k.Text());
  return out;
}

using Texts_ = std::vector<std::u16string>;

TEST(TAssoc, ReadingAMissingKeyCreatesOneEmptyChild) {
  TAssoc node;
  EXPECT_EQ(node.All(), nullptr);
  TAssoc& child = node[u"x"];
  ASSERT_NE(node.All(), nullptr);
  EXPECT_EQ(node.Count(), 1);
  EXPECT_TRUE(node.IsSet(u"x"));
  EXPECT_TRUE(child.Val().IsEmpty());
  EXPECT_EQ(&node[u"x"], &child);
  EXPECT_EQ(node.Count(), 1);
  EXPECT_FALSE(child.Strict());
}

TEST(TAssoc, IntegerAndTextKeysNameTheSameChild) {
  TAssoc node;
  node[u"5"] = u"text";
  EXPECT_EQ(node[5].Val().Text(), u"text");
  node[Variant::Narrow(7)] = u"number";
  EXPECT_EQ(node[u"7"].Val().Text(), u"number");
  EXPECT_EQ(node[int64_t{7}].Val().Text(), u"number");
  EXPECT_EQ(node.Count(), 2);
  // The stored key keeps the kind it was first added with.
  for (const Variant& key : node.Keys())
    EXPECT_EQ(key.Kind(), key.Text() == u"5" ? vkUString : vkByte);
}

TEST(TAssoc, EmptyKeyAndEmptyTextAreDifferentChildren) {
  TAssoc node;
  node[Variant()] = u"empty";
  node[u""] = u"text";
  node[Variant::Null()] = u"null";
  EXPECT_EQ(node.Count(), 3);
  EXPECT_EQ(node[Variant()].Val().Text(), u"empty");
  EXPECT_EQ(node[u""].Val().Text(), u"text");
  EXPECT_EQ(node[Variant::Null()].Val().Text(), u"null");
  EXPECT_FALSE(node.IsSet(u"Empty"));
}

TEST(TAssoc, TextKeysAreCaseSensitiveAndLeadingZerosCount) {
  TAssoc node;
  node[u"Name"];
  node[u"05"];
  EXPECT_FALSE(node.IsSet(u"name"));
  EXPECT_FALSE(node.IsSet(5));
  EXPECT_TRUE(node.IsSet(u"05"));
}

TEST(TAssoc, AddOfAnExistingKeyLeavesTheChildAlone) {
  TAssoc node;
  TAssoc* x = node.Add(u"x", u"first");
  ASSERT_NE(x, nullptr);
  (*x)[u"inner"] = u"kept";
  EXPECT_EQ(node.Add(u"x"), nullptr);
  EXPECT_EQ(node.Add(u"x", u"second"), nullptr);
  EXPECT_EQ(node[u"x"].Val().Text(), u"first");
  EXPECT_EQ(node[u"x"][u"inner"].Val().Text(), u"kept");
  EXPECT_EQ(node.Count(), 1);
}

TEST(TAssoc, StrictNodesRaiseAndStayUnchanged) {
  TAssoc strict(true);
  strict.Add(u"x");
  ASSERT_TRUE(strict[u"x"].Strict());
  try {
    strict[u"y"];
    FAIL();
  } catch (const AssocError& e) {
    EXPECT_EQ(e.Message(), u"The key \"y\" does not exist!");
  }
  try {
    strict.Add(u"x");
    FAIL();
  } catch (const AssocError& e) {
    EXPECT_EQ(e.Message(), u"The key \"x\" already exists!");
  }
  try {
    strict[int32_t{7}];
    FAIL();
  } catch (const AssocError& e) {
    EXPECT_EQ(e.Message(), u"The key \"7\" does not exist!");
    EXPECT_STREQ(e.what(), "The key \"7\" does not exist!");
  }
  EXPECT_THROW(strict[u"x"][u"deeper"], AssocError); // inherited
  EXPECT_FALSE(strict.IsSet(u"y"));
  strict.Remove(u"y");
  EXPECT_EQ(strict.Count(), 1);
  EXPECT_EQ(strict[u"x"].Count(), 0);
}

TEST(TAssoc, ClearKeepsValueAndTable) {
  TAssoc node;
  node = u"own";
  node[u"a"][u"b"] = u"1";
  node[u"c"];
  const TAssocTable* table = node.All();
  node.Clear();
  EXPECT_EQ(node.Val().Text(), u"own");
  EXPECT_EQ(node.Count(), 0);
  EXPECT_TRUE(node.Keys().empty());
  EXPECT_EQ(node.All(), table);
  node[u"d"];
  EXPECT_EQ(node.All(), table);
  EXPECT_EQ(node.Count(), 1);
  TAssoc fresh;
  fresh.Clear();
  EXPECT_EQ(fresh.All(), nullptr);
}

TEST(TAssoc, RemoveDestroysTheSubtreeAndIgnoresMissingKeys) {
  TAssoc node;
  node[u"a"][u"b"][u"c"] = u"1";
  node[u"keep"];
  node.Remove(u"missing");
  node.Remove(5);
  EXPECT_EQ(node.Count(), 2);
  node.Remove(u"a");
  EXPECT_EQ(node.Count(), 1);
  EXPECT_FALSE(node.IsSet(u"a"));
  EXPECT_EQ(node[u"a"].Count(), 0); // a new, empty child
  TAssoc fresh;
  fresh.Remove(u"x");
  EXPECT_EQ(fresh.All(), nullptr);
}

TEST(TAssoc, SortedKeyViews) {
  TAssoc node;
  node[u"10"];
  node[u"2"];
  node[Variant::Narrow(1)];
  EXPECT_EQ(Texts(node.AscKeys()), (Texts_{u"1", u"10", u"2"}));
  EXPECT_EQ(Texts(node.DescKeys()), (Texts_{u"2", u"10", u"1"}));
  EXPECT_EQ(Texts(node.IntAscKeys()), (Texts_{u"1", u"2", u"10"}));
  EXPECT_EQ(Texts(node.IntDescKeys()), (Texts_{u"10", u"2", u"1"}));
  EXPECT_EQ(node.IntAscKeys()[0].Kind(), vkByte);
}

TEST(TAssoc, TextOrderFollowsTheLocaleCollation) {
  TAssoc node;
  for (const char16_t* k : {u"b", u"B", u"a", u"A", u"_x", u"ä"})
    node[k];
  EXPECT_EQ(Texts(node.AscKeys()), (Texts_{u"_x", u"a", u"A", u"b", u"B", u"ä"}));
}

TEST(TAssoc, IntegerOrderHandlesNegativesAndExtremes) {
  TAssoc node;
  node[u"-5"];
  // The widest spread whose difference still fits.
  node[Variant(std::numeric_limits<int64_t>::max() - 100)];
  node[u" 3 "];
  node[Variant(int8_t{-100})];
  EXPECT_EQ(Texts(node.IntAscKeys()), (Texts_{u"-100", u"-5", u" 3 ", u"9223372036854775707"}));
  EXPECT_EQ(Texts(node.IntDescKeys()), (Texts_{u"9223372036854775707", u" 3 ", u"-5", u"-100"}));
}

TEST(TAssoc, IntegerOrderErrors) {
  TAssoc text;
  text[u"1"];
  text[u"abc"];
  EXPECT_THROW(text.IntAscKeys(), ConvertError);
  EXPECT_THROW(text.IntDescKeys(), ConvertError);
  EXPECT_EQ(text.Count(), 2);

  TAssoc wide;
  wide[Variant(std::numeric_limits<int64_t>::max())];
  wide[Variant(int8_t{-1})];
  EXPECT_THROW(wide.IntAscKeys(), IntOverflowError);
  TAssoc huge;
  huge[Variant(std::numeric_limits<uint64_t>::max())];
  EXPECT_THROW(huge.IntAscKeys(), IntOverflowError);

  TAssoc null;
  null[Variant::Null()];
  EXPECT_THROW(null.AscKeys(), ConvertError);
  EXPECT_THROW(null.DescKeys(), ConvertError);
  EXPECT_THROW(null.IntAscKeys(), ConvertError);
}

TEST(TAssoc, NodeWithoutChildrenHasEmptyKeyViews) {
  TAssoc node;
  EXPECT_TRUE(node.Keys().empty());
  EXPECT_TRUE(node.AscKeys().empty());
  EXPECT_TRUE(node.DescKeys().empty());
  EXPECT_TRUE(node.IntAscKeys().empty());
  EXPECT_TRUE(node.IntDescKeys().empty());
  EXPECT_EQ(node.All(), nullptr);
}

TEST(TAssoc, ManyKeysStayDistinctAndFindable) {
  TAssoc node;
  for (int i = 0; i < 5000; ++i)
    node[Variant::Narrow(i)] = Variant::Narrow(i * 2);
  EXPECT_EQ(node.Count(), 5000);
  for (int i = 0; i < 5000; i += 7)
    EXPECT_EQ(node[Variant(std::u16string(Variant(i).Text()))].Val().ToInt64(), i * 2);
  EXPECT_EQ(node.Count(), 5000);
  auto keys = node.IntAscKeys();
  ASSERT_EQ(keys.size(), 5000u);
  for (int i = 0; i < 5000; ++i)
    ASSERT_EQ(keys[i].ToInt64(), i);
}

} // namespace
} // namespace lumivane

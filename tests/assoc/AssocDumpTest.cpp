#include <gtest/gtest.h>

#include "assoc/AssocArrays.h"

namespace lumivane {
namespace {

const char16_t* kUid = u"0a1b2c3d4e5f60718293a4b5c6d7e8f901234567";

// The device table with one record reduced to four keys, all keys and values stored as text.
void FillDeviceTable(TAssoc& devices) {
  TAssoc& record = devices[kUid];
  record[u"brightness"] = u"50";
  record[u"level"][u"0"];
  record[u"level"][u"50"];
  record[u"level"][u"100"];
  record[u"max"] = u"100";
  record[u"name"] = u"Display";
}

TEST(AssocDump, DeviceTableGivesTheNineLineText) {
  TAssoc devices;
  FillDeviceTable(devices);
  EXPECT_EQ(devices.Dump(false, u"", false), std::u16string(u"\r\n0a1b2c3d4e5f60718293a4b5c6d7e8f901234567"
                                                            u"\r\n   ├╴brightness = 50"
                                                            u"\r\n   ├╴level     "
                                                            u"\r\n   │  ├╴0  "
                                                            u"\r\n   │  ├╴100"
                                                            u"\r\n   │  └╴50 "
                                                            u"\r\n   ├╴max        = 100"
                                                            u"\r\n   └╴name       = Display"));
}

TEST(AssocDump, ShowTypesNamesKindsAndChildCounts) {
  TAssoc devices;
  FillDeviceTable(devices);
  std::u16string dump = devices.Dump(true, u"", false);
  EXPECT_NE(dump.find(u"\r\n   ├╴(UString) brightness = (UString) 50\r\n"), std::u16string::npos)
      << ToUtf8(dump);
  EXPECT_NE(dump.find(u"\r\n   ├╴[3](UString) level     \r\n"), std::u16string::npos) << ToUtf8(dump);
  EXPECT_EQ(dump.substr(0, 6), u"\r\n[4](");
}

TEST(AssocDump, IntegerKeysSortAsTextAndShowTheirKinds) {
  TAssoc node;
  node[Variant::Narrow(int64_t{10})] = Variant::Narrow(int64_t{-1});
  node[Variant::Narrow(int64_t{2})];
  node[Variant::Narrow(int64_t{1})] = true;
  EXPECT_EQ(node.Dump(false, u"", false), u"\r\n1  = True\r\n10 = -1\r\n2 ");
  EXPECT_EQ(node.Dump(true, u"", false),
            u"\r\n(Byte) 1  = (Boolean) True\r\n(Byte) 10 = (ShortInt) -1\r\n(Byte) 2 ");
}

TEST(AssocDump, LastBranchAtDeeperLevelsIndentsWithBlanks) {
  TAssoc root;
  root[u"a"][u"b"][u"c"] = u"1";
  root[u"a"][u"b"][u"d"][u"e"] = u"2";
  root[u"a"][u"x"] = u"3";
  EXPECT_EQ(root.Dump(false, u"", false), u"\r\na"
                                          u"\r\n   ├╴b"
                                          u"\r\n   │  ├╴c = 1"
                                          u"\r\n   │  └╴d"
                                          u"\r\n   │     └╴e = 2"
                                          u"\r\n   └╴x = 3");
}

TEST(AssocDump, NulCharactersAreRemovedAndEmptyNodesGiveEmptyText) {
  TAssoc node;
  EXPECT_EQ(node.Dump(false, u"", false), u"");
  node[u"k"];
  node.Clear();
  EXPECT_EQ(node.Dump(false, u"", false), u"");
  node[u"k"] = std::u16string(u"a\0b", 3);
  EXPECT_EQ(node.Dump(false, u"", false), u"\r\nk = ab");
}

} // namespace
} // namespace lumivane

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "assoc/AssocArrays.h"

namespace lumivane {
namespace {

const char16_t* kUid = u"0a1b2c3d4e5f60718293a4b5c6d7e8f901234567";

const char16_t* kDeviceTableJson = u"{\r\n"
                                   u"  \"0a1b2c3d4e5f60718293a4b5c6d7e8f901234567\": {\r\n"
                                   u"    \"brightness\": \"50\",\r\n"
                                   u"    \"level\": {\r\n"
                                   u"      \"0\": \"\",\r\n"
                                   u"      \"100\": \"\",\r\n"
                                   u"      \"50\": \"\"\r\n"
                                   u"    },\r\n"
                                   u"    \"max\": \"100\",\r\n"
                                   u"    \"name\": \"Display\"\r\n"
                                   u"  }\r\n"
                                   u"}";

std::u16string ReadFixture(const char* name) {
  std::ifstream in(std::string(LUMIVANE_TEST_DATA) + "/assoc/" + name, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return FromUtf8(bytes.str());
}

TEST(AssocJson, DeviceTableGivesThePrettyPrintedText) {
  TAssoc devices;
  TAssoc& record = devices[kUid];
  record[u"brightness"] = Variant::Narrow(50);
  for (int level : {0, 50, 100})
    record[u"level"][Variant::Narrow(level)];
  record[u"max"] = Variant::Narrow(100);
  record[u"name"] = u"Display";
  EXPECT_EQ(devices.JSONDump(), kDeviceTableJson);
}

TEST(AssocJson, DeviceTableTextReadsBackAsText) {
  TAssoc devices;
  TAssoc* last = devices.JSONParse(kDeviceTableJson);
  ASSERT_EQ(last, &devices[kUid]);
  EXPECT_EQ(devices.Count(), 1);
  TAssoc& record = devices[kUid];
  EXPECT_EQ(record[u"brightness"].Val().Kind(), vkUString);
  EXPECT_EQ(record[u"brightness"].Val().Text(), u"50");
  EXPECT_EQ(record[u"level"].Count(), 3);
  // Levels come back as text keys and are still found by integer.
  EXPECT_TRUE(record[u"level"].IsSet(Variant::Narrow(100)));
  EXPECT_EQ(record[u"level"][50].Val().Kind(), vkUString);
  EXPECT_EQ(record[u"level"][50].Val().Text(), u"");
  EXPECT_EQ(devices.JSONDump(), kDeviceTableJson);
}

TEST(AssocJson, InnerNodeValueIsWrittenAsValueMemberAfterItsObject) {
  TAssoc node;
  node[u"mode"] = u"auto";
  node[u"mode"][u"step"] = Variant::Narrow(5);
  const std::u16string text = node.JSONDump();
  EXPECT_EQ(text, u"{\r\n"
                  u"  \"mode\": {\r\n"
                  u"    \"step\": \"5\"\r\n"
                  u"  },\r\n"
                  u"  \"__:mode\": \"auto\"\r\n"
                  u"}");
  TAssoc back;
  TAssoc* last = back.JSONParse(text);
  EXPECT_EQ(last, &back[u"mode"]);
  EXPECT_EQ(back.Count(), 1);
  EXPECT_EQ(back[u"mode"].Val().Text(), u"auto");
  EXPECT_EQ(back[u"mode"][u"step"].Val().Text(), u"5");
}

TEST(AssocJson, NumericKeysAreWrittenInTextOrder) {
  TAssoc node;
  for (int k : {2, 10, 1})
    node[Variant::Narrow(k)] = Variant::Narrow(k);
  EXPECT_EQ(node.JSONDump(), u"{\r\n  \"1\": \"1\",\r\n  \"10\": \"10\",\r\n  \"2\": \"2\"\r\n}");
}

TEST(AssocJson, ValuesOfEveryKindAreWrittenAsTheirText) {
  TAssoc node;
  node[u"unset"];
  node[u"flag"] = true;
  node[u"neg"] = Variant::Narrow(-1);
  EXPECT_EQ(node.JSONDump(), u"{\r\n  \"flag\": \"True\",\r\n  \"neg\": \"-1\",\r\n  \"unset\": \"\"\r\n}");
  TAssoc back;
  back.JSONParse(node.JSONDump());
  EXPECT_EQ(back[u"unset"].Val().Kind(), vkUString);
  EXPECT_EQ(back[u"unset"].Val().Text(), u"");
  EXPECT_TRUE(back[u"flag"].Val().ToBool());
  EXPECT_EQ(back[u"neg"].Val().ToInt64(), -1);
}

TEST(AssocJson, EscapesExactlyTheListedCharacters) {
  struct Case {
    std::u16string value;
    std::u16string written;
  };
  const Case cases[] = {
      {u"a/b", u"a\\/b"},
      {u"say \"hi\"", u"say \\\"hi\\\""},
      {u"a\tb", u"a\\tb"},
      {u"back\\slash", u"back\\\\slash"},
      {u"\b\f\n\r", u"\\b\\f\\n\\r"},
      {u"Яркость", u"Яркость"},
      {u"亮度", u"亮度"},
      {u"\U0001F600", u"\U0001F600"},
      {std::u16string(u"\x01\x1f\x7f", 3), std::u16string(u"\x01\x1f\x7f", 3)},
  };
  for (const auto& c : cases) {
    TAssoc node;
    node[c.value] = c.value; // as key and as value
    EXPECT_EQ(node.JSONDump(), u"{\r\n  \"" + c.written + u"\": \"" + c.written + u"\"\r\n}")
        << ToUtf8(c.value);
    TAssoc back;
    back.JSONParse(node.JSONDump());
    ASSERT_TRUE(back.IsSet(c.value)) << ToUtf8(c.value);
    EXPECT_EQ(back[c.value].Val().Text(), c.value) << ToUtf8(c.value);
  }
}

TEST(AssocJson, NulCharacterBecomesCrLf) {
  TAssoc node;
  node[u"v"] = std::u16string(u"a\0b", 3);
  EXPECT_EQ(node.JSONDump(), u"{\r\n  \"v\": \"a\r\nb\"\r\n}");
  TAssoc back;
  back.JSONParse(node.JSONDump());
  EXPECT_EQ(back[u"v"].Val().Text(), u"a\r\nb");
}

TEST(AssocJson, ReaderAcceptsEveryStandardEscapeAndRawControls) {
  TAssoc node;
  node.JSONParse(u"{\"a\": \"\\u0041\\u00e9\\u042F\\ud83d\\ude00\", \"b\": \"\\/\\b\\f\\n\\r\\t\\\"\\\\\","
                 u" \"c\": \"raw\ttab\r\nline\", \"\\u006b\": \"key\"}");
  EXPECT_EQ(node[u"a"].Val().Text(), u"AéЯ\U0001F600");
  EXPECT_EQ(node[u"b"].Val().Text(), u"/\b\f\n\r\t\"\\");
  EXPECT_EQ(node[u"c"].Val().Text(), u"raw\ttab\r\nline");
  EXPECT_EQ(node[u"k"].Val().Text(), u"key");
  EXPECT_EQ(node.Count(), 4);
}

TEST(AssocJson, ChildrenWithEmptyKeyTextAreLeftOut) {
  TAssoc node;
  node[u""] = u"lost";
  node[Variant()] = u"lost too";
  node[u"hollow"] = u"kept";
  node[u"hollow"][u""] = u"lost";
  EXPECT_EQ(node.JSONDump(), u"{\r\n  \"__:hollow\": \"kept\"\r\n}");
  TAssoc only;
  only[u""][u"x"] = u"1";
  EXPECT_EQ(only.JSONDump(), u"");
  EXPECT_EQ(TAssoc().JSONDump(), u"");
}

TEST(AssocJson, ValueMemberKeysDoNotSurvive) {
  TAssoc node;
  node[u"__:x"] = u"v";
  const std::u16string text = node.JSONDump();
  EXPECT_EQ(text, u"{\r\n  \"__:x\": \"v\"\r\n}");
  TAssoc empty;
  EXPECT_EQ(empty.JSONParse(text), nullptr);
  EXPECT_EQ(empty.Count(), 0);
  TAssoc withX;
  withX[u"x"] = u"old";
  EXPECT_EQ(withX.JSONParse(text), nullptr);
  EXPECT_EQ(withX.Count(), 1);
  EXPECT_EQ(withX[u"x"].Val().Text(), u"v");
}

TEST(AssocJson, ResultIsTheChildOfTheLastOrdinaryMember) {
  TAssoc node;
  TAssoc* last = node.JSONParse(u"{\"a\": \"1\", \"b\": {\"c\": \"2\"}, \"__:b\": \"3\"}");
  EXPECT_EQ(last, &node[u"b"]);
  EXPECT_EQ(node[u"b"].Val().Text(), u"3");
  TAssoc none;
  EXPECT_EQ(none.JSONParse(u"{}"), nullptr);
  EXPECT_EQ(none.JSONParse(u"no object here"), nullptr);
  EXPECT_EQ(none.JSONParse(u""), nullptr);
  EXPECT_EQ(none.All(), nullptr);
}

TEST(AssocJson, ParseAddsToExistingChildrenAndSkipsNamesAlreadyThere) {
  TAssoc node;
  node[u"a"] = u"keep";
  node[u"a"][u"inner"] = u"1";
  TAssoc* last = node.JSONParse(u"{\"b\": \"2\", \"a\": {\"x\": \"y\"}, \"__:a\": \"set\"}");
  EXPECT_EQ(last, &node[u"b"]);
  EXPECT_EQ(node.Count(), 2);
  EXPECT_EQ(node[u"a"].Count(), 1);
  EXPECT_FALSE(node[u"a"].IsSet(u"x"));
  EXPECT_EQ(node[u"a"].Val().Text(), u"set"); // a value member targets any existing child

  TAssoc dup;
  last = dup.JSONParse(u"{\"a\": {\"x\": \"1\"}, \"a\": {\"y\": \"2\"}}");
  EXPECT_EQ(last, &dup[u"a"]);
  EXPECT_TRUE(dup[u"a"].IsSet(u"x"));
  EXPECT_FALSE(dup[u"a"].IsSet(u"y"));
  EXPECT_EQ(dup.JSONParse(u"{\"a\": \"again\"}"), nullptr);
}

TEST(AssocJson, StrictNodeParsesWithoutRaisingOnDuplicates) {
  TAssoc strict(true);
  strict.Add(u"a", u"keep");
  TAssoc* last = strict.JSONParse(u"{\"a\": \"new\", \"b\": {\"c\": \"1\"}}");
  EXPECT_EQ(last, &strict[u"b"]);
  EXPECT_EQ(strict[u"a"].Val().Text(), u"keep");
  EXPECT_TRUE(strict[u"b"].Strict());
}

TEST(AssocJson, MembersTheWriterNeverProducesKeepTheirText) {
  TAssoc node;
  node.JSONParse(
      u"{\"n\": -12.5e3, \"t\": true, \"f\": false, \"z\": null, \"arr\": [1, \"a/b\", {\"k\": \"v\"}, []],"
      u" \"e\": {}, \"o\": \"1\", \"__:o\": {\"p\": \"q\"}}");
  EXPECT_EQ(node[u"n"].Val().Text(), u"-12.5e3");
  EXPECT_EQ(node[u"t"].Val().Text(), u"true");
  EXPECT_EQ(node[u"f"].Val().Text(), u"false");
  EXPECT_EQ(node[u"z"].Val().Text(), u"null");
  EXPECT_EQ(node[u"arr"].Val().Text(), u"[1,\"a\\/b\",{\"k\":\"v\"},[]]");
  EXPECT_EQ(node[u"arr"].Count(), 0);
  EXPECT_EQ(node[u"e"].Count(), 0);
  EXPECT_TRUE(node[u"e"].Val().IsEmpty());
  EXPECT_EQ(node[u"o"].Val().Text(), u"{\"p\":\"q\"}");
}

TEST(AssocJson, MalformedTextAddsNothing) {
  const std::u16string cases[] = {
      u"{",
      u"{\"a\":",
      u"{\"a\" \"b\"}",
      u"{\"a\":\"b\",}",
      u"{\"a\":\"b\"} trailing",
      u"x {\"a\":\"b\"}",
      u"[{\"a\":\"b\"}]",
      u"\"{\"",
      u"{\"a\":\"\\x\"}",
      u"{\"a\":\"\\u12\"}",
      u"{\"a\":\"\\u12G4\"}",
      u"{\"a\":tru}",
      u"{'a':'b'}",
      u"{\"a\":01}",
      u"{\"a\":1.}",
      u"{\"a\":-}",
      u"{\"a\":\"unterminated}",
      u"{\"ok\":\"1\", \"bad\": {\"x\": [1, 2}}",
      u"{a:\"b\"}",
      u"{\"a\":\"b\"}}",
      std::u16string(300, u'{') + std::u16string(300, u'}'),
  };
  for (const auto& text : cases) {
    TAssoc node;
    node[u"keep"] = u"1";
    EXPECT_EQ(node.JSONParse(text), nullptr) << ToUtf8(text);
    EXPECT_EQ(node.Count(), 1) << ToUtf8(text);
    EXPECT_EQ(node[u"keep"].Count(), 0) << ToUtf8(text);
  }
}

TEST(AssocJson, DeepButReasonableNestingRoundTrips) {
  TAssoc root;
  TAssoc* node = &root;
  for (int i = 0; i < 100; ++i)
    node = &(*node)[u"d"];
  *node = u"bottom";
  TAssoc back;
  back.JSONParse(root.JSONDump());
  EXPECT_EQ(back.JSONDump(), root.JSONDump());
  EXPECT_EQ(back.Dump(false, u"", false), root.Dump(false, u"", false));
}

// A realistic two-record device table: parsing and writing it again gives the same bytes, and its
// dump matches the log text kept beside it.
TEST(AssocJson, DeviceTableFixtureRoundTrips) {
  const std::u16string text = ReadFixture("device_table.json");
  ASSERT_FALSE(text.empty());
  TAssoc devices;
  ASSERT_NE(devices.JSONParse(text), nullptr);
  EXPECT_EQ(devices.Count(), 2);
  EXPECT_EQ(devices.JSONDump(), text);
  EXPECT_EQ(devices.Dump(false, u"", false), ReadFixture("device_table.dump.txt"));
  for (const Variant& uid : devices.Keys()) {
    EXPECT_EQ(devices[uid][u"level"].Count(), 11);
    EXPECT_TRUE(devices[uid][u"level"].IsSet(Variant::Narrow(100)));
  }
}

} // namespace
} // namespace lumivane

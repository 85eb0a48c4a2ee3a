// DeviceUid, ModelFromCapabilities and VariantToText: the pure functions discovery relies on.
#include <gtest/gtest.h>

#include <fstream>

#include "assoc/AssocArrays.h"
#include "assoc/Sha1.h"
#include "devices/Devices.h"

namespace lumivane {
namespace {

std::u16string HashOf(const std::u16string& text) {
  const std::string hex = Sha1Hex(ToUtf8(text));
  return std::u16string(hex.begin(), hex.end());
}

TEST(DeviceUid, IsTheSha1OfTheNameWithoutItsInstanceSuffix) {
  struct Case {
    std::u16string name, hashed;
  };
  const Case cases[] = {
      {u"DISPLAY\\ABC1234\\5&1a2b3c&0&UID4352_0", u"DISPLAY\\ABC1234\\5&1a2b3c&0&UID4352"},
      {u"DISPLAY\\ABC1234\\5&1a2b3c&0&UID4352", u"DISPLAY\\ABC1234\\5&1a2b3c&0&UID4352"},
      {u"DISPLAY\\ABC1234\\5&1a2b3c&0&UID4352_0_1", u"DISPLAY\\ABC1234\\5&1a2b3c&0&UID4352_0_1"},
      {u"DISPLAY\\ABC1234\\5&1a2b3c&0&uid4352_0", u"DISPLAY\\ABC1234\\5&1a2b3c&0&uid4352_0"},
      {u"DISPLAY\\ABC1234", u"DISPLAY\\ABC1234"},
      {u"DISPLAY\\ABC1234\\UID", u"DISPLAY\\ABC1234\\UID"},
      {u"", u""},
      // Only the piece after the first "UID" decides; every matching spelling is replaced.
      {u"A&UID12_3UID12_3&uid12_3", u"A&UID12UID12&UID12"},
      {u"UID12_3&UID12_3", u"UID12UID12_3"},
      {u"A&UID7_1UID9_9UID7_1", u"A&UID7UID9_9UID7"},
      {u"A&UIDUID7_1", u"A&UIDUID7_1"},
      {u"A&UID_0", u"A&UID"},
      {u"A&UID7_", u"A&UID7"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DeviceUid(c.name), HashOf(c.hashed)) << ToUtf8(c.name);
}

TEST(DeviceUid, GivesFortyLowercaseHexDigitsAndKeepsOtherCaseApart) {
  EXPECT_EQ(DeviceUid(u""), u"da39a3ee5e6b4b0d3255bfef95601890afd80709");
  EXPECT_NE(DeviceUid(u"DISPLAY\\ABC1234\\5&1A2B3C&0&UID4352"),
            DeviceUid(u"DISPLAY\\ABC1234\\5&1a2b3c&0&UID4352"));
  // Non-ASCII text is hashed as UTF-8.
  EXPECT_EQ(DeviceUid(u"\u00e9"), FromUtf8(Sha1Hex("\xc3\xa9")));
}

// tests/data/devices/capabilities.txt: one capabilities string and its model per line.
TEST(ModelFromCapabilities, NamesTheModelOfEveryFixtureString) {
  std::ifstream in(std::string(LUMIVANE_TEST_DATA) + "/devices/capabilities.txt");
  ASSERT_TRUE(in);
  int cases = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    const size_t tab = line.find('\t');
    ASSERT_NE(tab, std::string::npos) << line;
    auto decode = [](const std::string& s) {
      std::u16string out = FromUtf8(s);
      for (size_t at; (at = out.find(u"\\0")) != std::u16string::npos;)
        out.replace(at, 2, 1, u'\0');
      return out;
    };
    EXPECT_EQ(ToUtf8(ModelFromCapabilities(decode(line.substr(0, tab)))),
              ToUtf8(decode(line.substr(tab + 1))))
        << line;
    ++cases;
  }
  EXPECT_GT(cases, 0);
}

WmiValue Grid(std::vector<int64_t> values, std::vector<size_t> dims) {
  WmiValue v = WmiValue::IntArray(values);
  v.dims = std::move(dims);
  return v;
}

TEST(VariantToText, JoinsArraysByItemAndRow) {
  struct Case {
    WmiValue value;
    std::u16string text;
  };
  const Case cases[] = {
      {WmiValue::IntArray({0, 50, 100}), u"0|50|100"},
      {WmiValue::IntArray({}), u""},
      {WmiValue::IntArray({-5}), u"-5"},
      {Grid({1, 2, 3, 4, 5, 6}, {2, 3}), u"1|2|3\r4|5|6"},
      {Grid({}, {3, 0}), u""},
      {Grid({1, 2, 3, 4, 5, 6, 7, 8}, {2, 2, 2}), u"Array Dim=3"},
      // Dimensions that do not fit the elements read as a plain list.
      {Grid({1, 2, 3}, {2, 2}), u"1|2|3"},
      {Grid({1, 2}, {SIZE_MAX, 2}), u"1|2"},
      {WmiValue::Int(42), u"42"},
      {WmiValue::Str(u"text"), u"text"},
      {WmiValue::Null(), u""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(VariantToText(c.value, u'|', u'\r'), c.text) << ToUtf8(c.text);
}

} // namespace
} // namespace lumivane

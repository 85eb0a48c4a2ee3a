#include <gtest/gtest.h>

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

TEST(AssocJson, DeviceTableGivesThePrettyPrintedText) {
  TAssoc devices;
  TAssoc& record = devices[kUid];
  record[u"brightness"] = Variant::Narrow(int64_t{50});
  for (int64_t level : {0, 50, 100})
    record[u"level"][Variant::Narrow(level)];
  record[u"max"] = Variant::Narrow(int64_t{100});
  record[u"name"] = u"Display";
  EXPECT_EQ(devices.JSONDump(), kDeviceTableJson);
}

TEST(AssocJson, DeviceTableTextReadsBackAsText) {
  TAssoc devices;
  TAssoc* last = devices.JSONParse(kDeviceTableJson);
  ASSERT_EQ(last, &devices[kUid]);
  EXPECT_EQ(devices[kUid][u"brightness"].Val().Kind(), vkUString);
  EXPECT_EQ(devices[kUid][u"brightness"].Val().Text(), u"50");
  EXPECT_EQ(devices[kUid][u"level"].Count(), 3);
  EXPECT_TRUE(devices[kUid][u"level"].IsSet(100));
  EXPECT_EQ(devices[kUid][u"level"][50].Val().Kind(), vkUString);
  EXPECT_EQ(devices.JSONDump(), kDeviceTableJson);
}

} // namespace
} // namespace lumivane

#include "controller/ControllerFixture.h"

namespace lumivane {
namespace {

class CommandPruningTest : public ControllerTest {
 protected:
  uint64_t OnlyKey() {
    EXPECT_EQ(Cmd().Count(), 1);
    return Cmd().Keys().at(0).ToUInt64();
  }
};

TEST_F(CommandPruningTest, OnlyTheNewestEntryOutlivesItsPass) {
  ActiveDevice(50);
  uint64_t last = 0;
  for (int n = 0; n < 1000; ++n) {
    last = c().NowUnixMs();
    Wheel(n % 2 ? -1 : 1);
    if (n % 3 == 0) {
      clock.AdvanceMs(1);
      Command(u"n", 1);
      last = c().NowUnixMs();
    }
    Pass();
    ASSERT_EQ(Cmd().Count(), 1) << n;
  }
  EXPECT_EQ(OnlyKey(), last);
  EXPECT_EQ(c().CommandStamp, last);
  EXPECT_TRUE(Cmd()[Variant(last)].IsSet(u"z"));
}

TEST_F(CommandPruningTest, SeedStaysWhileNothingHappens) {
  for (int n = 0; n < 5; ++n)
    Pass();
  EXPECT_EQ(OnlyKey(), 1u);
  EXPECT_EQ(c().CommandStamp, 1u);
}

// An entry that cannot be carried out is logged and dropped; the entries after it still run in
// key order, before the newest entry's program value.
TEST_F(CommandPruningTest, FailingEntryIsDroppedAndTheOthersRunInKeyOrder) {
  ActiveDevice(50);
  const size_t lines = app.host.LogLines().size();
  Command(u"s", 0)[u"s"] = Variant(u"sideways"); // cannot be carried out
  clock.AdvanceMs(5);
  Wheel(-1);
  Command(u"n", 1);
  clock.AdvanceMs(5);
  const uint64_t newest = c().NowUnixMs();
  Command(u"i", 30);
  Pass();
  EXPECT_EQ(c().ShownBrightness, 30);
  EXPECT_EQ(c().PredBrightness, 45);
  EXPECT_EQ(OnlyKey(), newest);
  EXPECT_TRUE(Cmd()[Variant(newest)].IsSet(u"z"));
  EXPECT_EQ(app.host.LogLines().size(), lines + 1);

  Pass();
  EXPECT_EQ(c().ShownBrightness, 30);
  EXPECT_EQ(app.host.LogLines().size(), lines + 1);
}

TEST_F(CommandPruningTest, CommandsAfterTheClockWasSetBackBecomeTheCommandStamp) {
  ActiveDevice(50);
  Wheel(1);
  Pass();
  const uint64_t before = c().CommandStamp;
  clock.SetLocalMs(clock.LocalMs() - 3600 * 1000); // end of daylight-saving time

  const uint64_t after = c().NowUnixMs();
  Wheel(1);
  Pass();
  EXPECT_LT(after, before);
  EXPECT_EQ(c().ShownBrightness, 60);
  EXPECT_EQ(c().CommandStamp, after);
  EXPECT_EQ(OnlyKey(), after);

  // A report written now is the newest entry and is carried out.
  Command(u"u", 30);
  Pass();
  EXPECT_EQ(c().ShownBrightness, 30);
}

} // namespace
} // namespace lumivane

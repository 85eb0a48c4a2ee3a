#include <climits>

#include "controller/ControllerFixture.h"

namespace lumivane {
namespace {

TEST(StepRoundingTest, RoundsTowardTheStepMultipleAndNeverFails) {
  struct Case {
    int value, step, ceil, floor;
  };
  const Case cases[] = {
      {42, 5, 45, 40},
      {52, 5, 55, 50},
      {45, 5, 45, 45},
      {-5, 5, -5, -5},
      {-3, 5, 0, -5},
      {35, 15, 45, 30},
      {65, 15, 75, 60},
      {7, 0, 7, 7},
      {7, -5, 7, 7},
      {INT_MAX, 2, INT_MAX, INT_MAX - 1},
      {INT_MIN, 3, INT_MIN + 2, INT_MIN},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.value << " step " << k.step);
    EXPECT_EQ(CeilToStep(k.value, k.step), k.ceil);
    EXPECT_EQ(FloorToStep(k.value, k.step), k.floor);
  }
}

class ValueChangeTest : public ControllerTest {};

// One wheel notch through the command map and a pass.
TEST_F(ValueChangeTest, WheelNotchLimitsSnapsAndSkipsUnchangedValues) {
  struct Case {
    const char* what;
    int shown, min, max;
    int levelStep; // internal display with levels 0, step, ..., 100; 0 for none
    int stepPercent, direction, expected;
  };
  const Case cases[] = {
      {"down from 47", 47, 0, 100, 0, 5, -1, 45},
      {"up from 47", 47, 0, 100, 0, 5, 1, 50},
      {"step 15 down from 50", 50, 0, 100, 0, 15, -1, 45},
      {"step 15 up from 50", 50, 0, 100, 0, 15, 1, 60},
      {"up at 100", 100, 0, 100, 0, 5, 1, 100},
      {"down at 0", 0, 0, 100, 0, 5, -1, 0},
      {"down onto the user's minimum", 22, 20, 100, 0, 5, -1, 20},
      {"up against the user's maximum", 78, 0, 79, 0, 5, 1, 79},
      {"minimum above maximum wins", 50, 60, 40, 0, 5, 1, 60},
      {"down snaps to the level below", 50, 0, 100, 10, 5, -1, 40},
      {"up snaps to the level above", 50, 0, 100, 10, 5, 1, 60},
      {"no level between value and minimum", 20, 15, 100, 10, 5, -1, 14},
      {"step below 1 moves by 1", 47, 0, 100, 0, 0, -1, 46},
      {"negative step keeps the direction", 47, 0, 100, 0, -5, 1, 48},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Devices().Clear();
    TAssoc& record = ActiveDevice(k.shown, k.min, k.max);
    if (k.levelStep) AddLevels(record, 0, 100, k.levelStep);
    c().StepPercent = k.stepPercent;
    const size_t drawn = app.tray.History().size();

    Wheel(k.direction);
    Pass();

    EXPECT_EQ(c().ShownBrightness, k.expected);
    EXPECT_EQ(app.tray.History().size(), drawn + (k.expected == k.shown ? 0 : 1));
    EXPECT_EQ(app.tray.Current().text, Variant::Narrow(k.expected).Text());
  }
}

// A snap that finds no level goes to max + 1 or min - 1; at the ends of the 64-bit range that
// still has to mean "above every level" and "below every level".
TEST_F(ValueChangeTest, SnapWithoutLevelsNearLimitsAtTheEndsOfTheRange) {
  struct Case {
    const char* what;
    const char16_t *min, *max;
    int levelsFrom, levelsTo, shown, requested, expected;
  };
  const Case cases[] = {
      {"up past the last level, largest maximum", u"0", u"9223372036854775807", 0, 50, 50, 60, 100},
      {"down past the first level, smallest minimum", u"-9223372036854775808", u"100", 50, 100, 50, 40, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Devices().Clear();
    TAssoc& record = ActiveDevice(k.shown);
    AddLevels(record, k.levelsFrom, k.levelsTo, 10);
    record[u"min"] = Variant(k.min);
    record[u"max"] = Variant(k.max);
    c().ValueChange(k.requested, true);
    EXPECT_EQ(c().ShownBrightness, k.expected);
  }
}

TEST_F(ValueChangeTest, ReportedValueIsTakenOutsideTheDeviceRange) {
  ActiveDevice(30, 0, 50);
  c().ValueChange(77, false);
  EXPECT_EQ(c().ShownBrightness, 77);
  c().ValueChange(140, false);
  EXPECT_EQ(c().ShownBrightness, 100);
  c().ValueChange(-4, false);
  EXPECT_EQ(c().ShownBrightness, 0);
}

TEST_F(ValueChangeTest, HundredUsesItsOwnFontHeight) {
  c().FontHeight100 = 11;
  c().FontHeight2Digits = 14;
  ActiveDevice(99);
  EXPECT_EQ(app.tray.Current(), (SimTray::Image{false, u"99", 14}));
  c().ValueChange(100, true);
  EXPECT_EQ(app.tray.Current(), (SimTray::Image{false, u"100", 11}));
  EXPECT_EQ(c().IconFontHeight, 11);
}

TEST_F(ValueChangeTest, NoUsableActiveDeviceResetsToTheApplicationIcon) {
  struct Case {
    const char* what;
    void (*spoil)(TController&, TAssoc& record);
    bool init;
  };
  const Case cases[] = {
      {"record turned inactive", [](TController&, TAssoc& r) { r[u"active"] = Variant(u"false"); }, false},
      {"inactive as a Boolean", [](TController&, TAssoc& r) { r[u"active"] = Variant(false); }, true},
      {"record gone", [](TController& c, TAssoc&) { c.Root->Items(u"devices").Remove(c.ActiveDevice); },
       true},
      {"no active device", [](TController& c, TAssoc&) { c.ActiveDevice.clear(); }, false},
      {"exit requested", [](TController& c, TAssoc&) { c.Exiter(); }, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    c().RunState = 1;
    Devices().Clear();
    TAssoc& record = ActiveDevice(60);
    ASSERT_FALSE(app.tray.Current().applicationIcon);
    k.spoil(c(), record);
    c().ValueChange(40, k.init);
    EXPECT_EQ(c().ShownBrightness, -1);
    EXPECT_TRUE(app.tray.Current().applicationIcon);
  }
}

TEST_F(ValueChangeTest, ReportedValueStillShowsWhileExitIsPending) {
  ActiveDevice(60);
  c().Exiter();
  c().ValueChange(40, false);
  EXPECT_EQ(c().ShownBrightness, 40);
}

TEST_F(ValueChangeTest, RecordsWithIntegersCompareLikeText) {
  TAssoc& record = ActiveDevice(50);
  record[u"min"] = Variant::Narrow(10);
  record[u"max"] = Variant::Narrow(70);
  c().ValueChange(90, true);
  EXPECT_EQ(c().ShownBrightness, 70);
  c().ValueChange(5, true);
  EXPECT_EQ(c().ShownBrightness, 10);
}

} // namespace
} // namespace lumivane

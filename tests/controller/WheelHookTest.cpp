#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "controller/ControllerFixture.h"

namespace lumivane {
namespace {

using Verdict = IMouseHook::Verdict;
constexpr uint32_t kMouseMove = 0x0200, kLeftDown = 0x0201, kLeftUp = 0x0202;

// The icon at 1000,700 (16 x 16); the pointer rests on it and the active device shows 50.
class WheelHookTest : public ControllerTest {
 protected:
  WheelHookTest() {
    ActiveDevice(50);
    Pass(); // shows the icon
    app.tray.SetIconRect({1000, 700, 16, 16});
    MoveTo({1008, 708});
  }

  // The pointer moves: the hook (when one is installed) sees it first, then the shell reports
  // the move over the icon when the pointer is there.
  void MoveTo(Point p, bool overIcon = true) {
    app.mouseHook.SetCursor(p);
    app.mouseHook.Send(0, kMouseMove, 0);
    if (overIcon) c().TrayIcon1MouseMove();
  }
  Verdict Notch(int delta) {
    Verdict v = app.mouseHook.Wheel(delta);
    clock.AdvanceMs(9);
    return v;
  }
  // The wheel commands in the map, oldest first.
  std::vector<int> Steps() {
    std::map<uint64_t, int> byStamp;
    for (const Variant& key : Cmd().Keys())
      if (Cmd()[key].IsSet(u"s"))
        byStamp[key.ToUInt64()] = static_cast<int>(Cmd()[key][u"s"].Val().ToInt64());
    std::vector<int> steps;
    for (const auto& [stamp, step] : byStamp)
      steps.push_back(step);
    return steps;
  }
};

TEST_F(WheelHookTest, OnlyTheSignOfTheDeltaCountsAndWheelEventsAreSwallowed) {
  ASSERT_TRUE(app.mouseHook.Installed());
  struct Case {
    int delta;
    std::vector<int> steps;
    int shown;
  };
  const Case cases[] = {{0, {}, 50},    {120, {1}, 55},   {-120, {-1}, 50},
                        {240, {1}, 55}, {-240, {-1}, 50}, {1, {1}, 55}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.delta);
    const auto before = Steps().size();
    EXPECT_EQ(Notch(k.delta), Verdict::Swallow);
    const std::vector<int> all = Steps();
    const std::vector<int> added(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
    EXPECT_EQ(added, k.steps);
    Pass();
    EXPECT_EQ(c().ShownBrightness, k.shown);
  }
  EXPECT_TRUE(app.mouseHook.Installed());
}

TEST_F(WheelHookTest, TwoNotchesInOneMillisecondAreOneCommand) {
  app.mouseHook.Wheel(-120);
  app.mouseHook.Wheel(-120);
  EXPECT_EQ(Steps(), std::vector<int>{-1});
  Pass();
  EXPECT_EQ(c().ShownBrightness, 45);
}

TEST_F(WheelHookTest, MovesAndClicksOverTheIconPassUntouched) {
  for (uint32_t message : {kMouseMove, kLeftDown, kLeftUp})
    EXPECT_EQ(app.mouseHook.Send(0, message, 0), Verdict::Pass);
  // Not HC_ACTION: passed on without a look.
  EXPECT_EQ(app.mouseHook.Send(3, IMouseHook::kWheelMessage, 120u << 16), Verdict::Pass);
  EXPECT_TRUE(Steps().empty());
  EXPECT_TRUE(app.mouseHook.Installed());
}

TEST_F(WheelHookTest, ThePointerIsOnTheIconUpToAndIncludingTheFarEdges) {
  struct Case {
    Point p;
    bool on;
  };
  const Case cases[] = {{{1000, 700}, true},  {{1016, 716}, true}, {{1016, 700}, true},
                        {{1000, 716}, true},  {{999, 708}, false}, {{1017, 708}, false},
                        {{1008, 699}, false}, {{1008, 717}, false}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.p.x << "," << k.p.y);
    app.mouseHook.SetCursor(k.p);
    EXPECT_EQ(c().ifovericon(), k.on);
  }
}

TEST_F(WheelHookTest, TheFirstEventOffTheIconRemovesTheHook) {
  MoveTo({1040, 708}, false);
  EXPECT_FALSE(app.mouseHook.Installed());
  EXPECT_EQ(c().MouseHook, 0u);
  EXPECT_EQ(Notch(-120), Verdict::Pass); // nobody sees it: the desktop gets the wheel
  EXPECT_TRUE(Steps().empty());
  // Back on the icon: installed again.
  MoveTo({1004, 704});
  EXPECT_TRUE(app.mouseHook.Installed());
  EXPECT_EQ(Notch(-120), Verdict::Swallow);
  EXPECT_EQ(Steps(), std::vector<int>{-1});
}

TEST_F(WheelHookTest, AShellThatCannotTellTheRectangleUsesTheLastNotification) {
  app.tray.SetIconRect({}, ITray::RectResult::NotImplemented);
  MoveTo({1008, 708}); // the notification saw the pointer here
  struct Case {
    Point p;
    bool on;
  };
  // Within one small-icon size (16 without a metrics port) of that point.
  const Case cases[] = {{{1024, 692}, true}, {{992, 724}, true}, {{1025, 708}, false}, {{1008, 691}, false}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.p.x << "," << k.p.y);
    app.mouseHook.SetCursor(k.p);
    EXPECT_EQ(c().ifovericon(), k.on);
  }
  // The metrics port gives the size where there is one.
  struct Metrics : ITextMetrics {
    Size SmallIconSize() const override { return {24, 24}; }
    Size SmallIconSizeForSettingsWindow() const override { return {24, 24}; }
    int TextWidth(const std::u16string&, const FontSpec&) const override { return 0; }
  } metrics;
  Platform ports = app.Ports();
  ports.textMetrics = &metrics;
  TController other(ports);
  app.mouseHook.SetCursor({1008, 708});
  other.TrayIcon1MouseMove();
  app.mouseHook.SetCursor({1032, 684});
  EXPECT_TRUE(other.ifovericon());
  app.mouseHook.SetCursor({1033, 708});
  EXPECT_FALSE(other.ifovericon());
  other.UnHook();
}

TEST_F(WheelHookTest, AFailedRectangleQueryCountsAsOffTheIcon) {
  app.tray.SetIconRect({1000, 700, 16, 16}, ITray::RectResult::Failed);
  EXPECT_EQ(Notch(120), Verdict::Pass);
  EXPECT_FALSE(app.mouseHook.Installed());
  EXPECT_TRUE(Steps().empty());
}

TEST_F(WheelHookTest, AfterExitIsRequestedTheNextEventRemovesTheHook) {
  c().Exiter();
  EXPECT_EQ(Notch(120), Verdict::Pass);
  EXPECT_FALSE(app.mouseHook.Installed());
  MoveTo({1008, 708}); // no new hook once the program is leaving
  EXPECT_FALSE(app.mouseHook.Installed());
  EXPECT_EQ(Notch(120), Verdict::Pass);
  EXPECT_TRUE(Steps().empty());
}

TEST_F(WheelHookTest, AHookThePlatformDroppedIsInstalledAgain) {
  EXPECT_EQ(Notch(120), Verdict::Swallow);
  // The main thread blocked (discovery, a slow WMI call) and the system dropped the hook.
  app.mouseHook.Drop();
  EXPECT_NE(c().MouseHook, 0u); // the controller cannot know yet
  EXPECT_EQ(Notch(120), Verdict::Pass);
  MoveTo({1009, 708});
  MoveTo({1010, 708}); // the hook saw neither move: it is gone
  EXPECT_TRUE(app.mouseHook.Installed());
  EXPECT_EQ(app.mouseHook.Installs(), 2);
  EXPECT_EQ(Notch(120), Verdict::Swallow);
  EXPECT_EQ(Steps(), (std::vector<int>{1, 1}));
  // A live hook is left alone however often the pointer moves.
  for (int x = 1000; x < 1016; ++x)
    MoveTo({x, 708});
  EXPECT_EQ(app.mouseHook.Installs(), 2);
}

TEST_F(WheelHookTest, ARefusedInstallIsTriedAgainAtTheNextMove) {
  MoveTo({1040, 708}, false); // off: the hook goes
  app.mouseHook.FailInstalls(1);
  MoveTo({1008, 708});
  EXPECT_EQ(c().MouseHook, 0u);
  MoveTo({1009, 708});
  EXPECT_TRUE(app.mouseHook.Installed());
}

// The click writes the toggle whatever the run state; the pass carries it out (the way down to
// the minimum and back is the timer pass's part).
TEST_F(WheelHookTest, LeftClickWritesTheAntiGlareToggleWhateverTheRunState) {
  struct Case {
    int runState;
    bool carriedOut; // the next pass dims the active device to its minimum
  };
  for (const Case& k : {Case{1, true}, Case{0, false}, Case{-1, false}}) {
    SCOPED_TRACE(k.runState);
    c().RunState = k.runState;
    clock.AdvanceMs(5);
    c().TrayIcon1Click();
    EXPECT_EQ(Cmd()[Variant(c().NowUnixMs())][u"n"].Val().Text(), u"1");
    if (k.carriedOut) {
      Pass();
      EXPECT_EQ(c().ShownBrightness, 0);
      EXPECT_EQ(app.tray.Current().text, u"0");
    }
  }
}

} // namespace
} // namespace lumivane

// The brightness panel over simulated monitors: its rows come from the device table, and every
// input becomes a command that the pass carries out as a wheel notch's, so what is judged is
// what the monitors receive.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "controller/ControllerFixture.h"
#include "controller/SupervisionFixture.h"

namespace lumivane {
namespace {

// Rows from records as discovery leaves them; no monitor behind them.
class PanelRowsTest : public ControllerTest {
 protected:
  TAssoc& Add(const std::u16string& uid, const char16_t* number, bool active, int brightness) {
    TAssoc& r = AddDevice(uid, 0, 100);
    r[u"number"] = Variant(std::u16string(number));
    r[u"active"] = Variant(active ? u"true" : u"false");
    r[u"brightness"] = Variant(Variant::Narrow(brightness).Text());
    return r;
  }
  std::vector<std::u16string> Captions() const {
    std::vector<std::u16string> out;
    for (const PanelRow& row : app.panel.Shown().rows)
      out.push_back(row.caption);
    return out;
  }
  std::vector<int> Values() const {
    std::vector<int> out;
    for (const PanelRow& row : app.panel.Shown().rows)
      out.push_back(row.value);
    return out;
  }
};

constexpr const char16_t* kA = u"1111111111111111111111111111111111111111";
constexpr const char16_t* kB = u"2222222222222222222222222222222222222222";
constexpr const char16_t* kC = u"3333333333333333333333333333333333333333";

TEST_F(PanelRowsTest, ActiveDevicesInMenuOrderWithTheMenuCaptions) {
  Add(kA, u"3", true, 30)[u"name"] = Variant(u" DELL ");
  Add(kB, u"1", true, 10)[u"internal"] = Variant(u"true");
  Add(kC, u"2", false, 20);
  Add(kUid, u"none", true, 40); // no number: not in the menu either
  c().ActiveDevice = kA;
  c().BuildMenu();
  c().OpenPanel();
  ASSERT_TRUE(app.panel.IsOpen());
  EXPECT_EQ(Captions(), (std::vector<std::u16string>{u"1. Display", u"3. Monitor DELL"}));
  EXPECT_EQ(Values(), (std::vector<int>{10, 30}));
  EXPECT_EQ(app.panel.Shown().focus, 1); // the display the wheel turns
  // The menu item opens it, right after the devices.
  c().ClosePanel();
  EXPECT_FALSE(app.panel.IsOpen());
  app.popup.Choose(u"All displays…");
  c().OpenMenu();
  EXPECT_TRUE(app.panel.IsOpen());
  EXPECT_EQ(app.popup.VisibleCaptions(),
            (std::vector<std::u16string>{u"1. Display", u"2. Monitor", u"3. Monitor DELL", u"All displays…",
                                         u"-", u"Settings", u"Restart", u"Exit"}));
}

TEST_F(PanelRowsTest, TabAndShiftTabMoveTheFocusAroundTheRows) {
  Add(kA, u"1", true, 10);
  Add(kB, u"2", true, 20);
  Add(kC, u"3", true, 30);
  c().ActiveDevice = kA;
  c().BuildMenu();
  c().OpenPanel();
  const std::pair<PanelKey, int> steps[] = {{PanelKey::ShiftTab, 2},
                                            {PanelKey::ShiftTab, 1},
                                            {PanelKey::Tab, 2},
                                            {PanelKey::Tab, 0},
                                            {PanelKey::Tab, 1}};
  for (const auto& [key, focus] : steps) {
    app.panel.Key(key);
    EXPECT_EQ(app.panel.Shown().focus, focus);
  }
}

TEST_F(PanelRowsTest, WithoutAnActiveDeviceOneLineSaysSo) {
  struct Case {
    const char* what;
    std::function<void()> table;
  };
  const Case cases[] = {
      {"no device at all", [] {}},
      {"only inactive ones", [&] { Add(kA, u"1", false, 30); }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Devices().Clear();
    k.table();
    c().OpenPanel();
    ASSERT_TRUE(app.panel.IsOpen());
    EXPECT_TRUE(app.panel.Shown().rows.empty());
    EXPECT_EQ(app.panel.Shown().emptyText, u"No active display");
    // Keys on no row write nothing.
    const int entries = Cmd().Count();
    for (PanelKey key : {PanelKey::Up, PanelKey::End, PanelKey::Tab})
      app.panel.Key(key);
    app.panel.Slide(0, 70);
    EXPECT_EQ(Cmd().Count(), entries);
    c().ClosePanel();
  }
}

TEST_F(PanelRowsTest, APanelWithFixedLevelsTakesTheLevelInTheDirectionOfTheChange) {
  struct Case {
    const char* what;
    std::function<void(SimPanelView&)> input;
    int shown;
  };
  const Case cases[] = {
      {"slide down between levels", [](SimPanelView& v) { v.Slide(0, 47); }, 25},
      {"slide up between levels", [](SimPanelView& v) { v.Slide(0, 52); }, 75},
      {"one step up", [](SimPanelView& v) { v.Key(PanelKey::Right); }, 75},
      {"one step down", [](SimPanelView& v) { v.Wheel(0, -1); }, 25},
      {"to the upper limit", [](SimPanelView& v) { v.Key(PanelKey::End); }, 100},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Devices().Clear();
    AddLevels(ActiveDevice(50), 0, 100, 25);
    Pass();
    c().OpenPanel();
    k.input(app.panel);
    Pass();
    EXPECT_EQ(c().ShownBrightness, k.shown);
    EXPECT_EQ(Values(), std::vector<int>{k.shown});
    c().ClosePanel();
  }
}

TEST_F(PanelRowsTest, ClosedByEscapeOrLosingTheForegroundAndMadeAnewOnTheNextOpen) {
  Add(kA, u"1", true, 30);
  c().BuildMenu();
  c().OpenPanel();
  app.panel.Key(PanelKey::Escape);
  EXPECT_FALSE(app.panel.IsOpen());
  EXPECT_FALSE(c().PanelOpen());
  c().OpenPanel();
  EXPECT_EQ(app.panel.Opens(), 2);
  app.panel.LoseForeground();
  EXPECT_FALSE(c().PanelOpen());
  // A window that cannot be made leaves the panel closed; the next try makes one.
  app.panel.FailNextOpen();
  c().OpenPanel();
  EXPECT_FALSE(c().PanelOpen());
  c().OpenPanel();
  EXPECT_TRUE(app.panel.IsOpen());
  EXPECT_EQ(app.panel.Opens(), 3);
  // Closing the program takes the window with it.
  c().Exiter();
  Pass();
  EXPECT_FALSE(app.panel.IsOpen());
}

// Two monitors, the first active; the wheel step is 5.
class PanelTest : public SupervisionTest {
 protected:
  PanelTest() {
    a = AddMonitor(u"SIM0001", u"1&UID1", 50);
    b = AddMonitor(u"SIM0002", u"1&UID2", 30);
    Start();
    MakeActive(Pnp(u"SIM0001", u"1&UID1"));
    Pass();
    Pass();
    mark = monitors.Writes().size();
  }
  void Open() {
    controller->OpenPanel();
    ASSERT_TRUE(panel.IsOpen());
  }
  std::vector<int> Values() const {
    std::vector<int> out;
    for (const PanelRow& row : panel.Shown().rows)
      out.push_back(row.value);
    return out;
  }
  // The loop after the input: the pass it asked for, then the timer's.
  void Settle() {
    host.DeliverPass();
    Pass();
    Pass();
  }
  int Entries() { return controller->Root->Items(u"cmd").Count(); }
  // The values a monitor received since mark.
  std::vector<uint32_t> NewWrites(size_t monitor) const {
    std::vector<uint32_t> values;
    const auto writes = monitors.Writes();
    for (size_t i = mark; i < writes.size(); ++i)
      if (writes[i].monitor == monitor) values.push_back(writes[i].value);
    return values;
  }

  size_t mark = 0;

  size_t a = 0, b = 0;
};

TEST_F(PanelTest, EachInputWritesTheDisplayOfItsRow) {
  struct Case {
    const char* what;
    int min, max; // the first monitor's limits
    std::function<void(SimPanelView&)> input;
    std::vector<uint32_t> toA, toB;
  };
  const Case cases[] = {
      {"click", 0, 100, [](SimPanelView& v) { v.Slide(0, 73); }, {73}, {}},
      {"click beyond the upper limit", 0, 80, [](SimPanelView& v) { v.Slide(0, 95); }, {80}, {}},
      {"wheel up", 0, 100, [](SimPanelView& v) { v.Wheel(0, 1); }, {55}, {}},
      {"wheel down over the second row", 0, 100, [](SimPanelView& v) { v.Wheel(1, -2); }, {}, {25}},
      {"Left", 0, 100, [](SimPanelView& v) { v.Key(PanelKey::Left); }, {45}, {}},
      {"Down", 0, 100, [](SimPanelView& v) { v.Key(PanelKey::Down); }, {45}, {}},
      {"Right", 0, 100, [](SimPanelView& v) { v.Key(PanelKey::Right); }, {55}, {}},
      {"Up twice", 0, 100, [](SimPanelView& v) { v.Key(PanelKey::Up), v.Key(PanelKey::Up); }, {60}, {}},
      {"PageUp", 0, 100, [](SimPanelView& v) { v.Key(PanelKey::PageUp); }, {60}, {}},
      {"PageDown twice",
       0,
       100,
       [](SimPanelView& v) { v.Key(PanelKey::PageDown), v.Key(PanelKey::PageDown); },
       {30},
       {}},
      {"Home", 20, 100, [](SimPanelView& v) { v.Key(PanelKey::Home); }, {20}, {}},
      {"End", 0, 90, [](SimPanelView& v) { v.Key(PanelKey::End); }, {90}, {}},
      {"Tab, Right", 0, 100, [](SimPanelView& v) { v.Key(PanelKey::Tab), v.Key(PanelKey::Right); }, {}, {35}},
      {"Shift+Tab wraps to the last row",
       0,
       100,
       [](SimPanelView& v) { v.Key(PanelKey::ShiftTab), v.Key(PanelKey::PageUp); },
       {},
       {40}},
      {"Tab twice wraps to the first row",
       0,
       100,
       [](SimPanelView& v) { v.Key(PanelKey::Tab), v.Key(PanelKey::Tab), v.Key(PanelKey::Left); },
       {45},
       {}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    // Every case starts from the first monitor at 50, active, the second at 30.
    MakeActive(Pnp(u"SIM0001", u"1&UID1"));
    controller->BuildMenu();
    Record(Pnp(u"SIM0001", u"1&UID1"))[u"min"] = Variant::Narrow(k.min);
    Record(Pnp(u"SIM0001", u"1&UID1"))[u"max"] = Variant::Narrow(k.max);
    Settle();
    mark = monitors.Writes().size();
    Open();
    k.input(panel);
    Settle();
    EXPECT_EQ(NewWrites(a), k.toA);
    EXPECT_EQ(NewWrites(b), k.toB);
    controller->ClosePanel();
    // Back to the start for the next case.
    for (size_t m : {a, b}) {
      SimPhysicalMonitor s = monitors.State(m);
      s.current = m == a ? 50 : 30;
      monitors.Update(m, s);
    }
    Record(Pnp(u"SIM0001", u"1&UID1"))[u"brightness"] = Variant::Narrow(50);
    Record(Pnp(u"SIM0002", u"1&UID2"))[u"brightness"] = Variant::Narrow(30);
  }
}

TEST_F(PanelTest, ADragWritesOneCommandPerPassTheNewestValueWinning) {
  Open();
  const int before = Entries();
  for (int v = 51; v <= 90; ++v)
    panel.Slide(0, v);
  EXPECT_EQ(Entries(), before + 1);
  Settle();
  EXPECT_EQ(NewWrites(a), std::vector<uint32_t>{90});
  // After a pass the drag goes on in a new command.
  for (int v = 89; v >= 60; --v)
    panel.Slide(0, v);
  Settle();
  EXPECT_EQ(NewWrites(a), (std::vector<uint32_t>{90, 60}));
  // Keys pressed before the pass run step from the value still waiting, not from the icon's.
  panel.Key(PanelKey::Up);
  panel.Key(PanelKey::Up);
  panel.Key(PanelKey::PageUp);
  Settle();
  EXPECT_EQ(NewWrites(a), (std::vector<uint32_t>{90, 60, 80}));
}

TEST_F(PanelTest, WithSynchronisationMovingOneRowMovesAll) {
  controller->Form.SyncBox.SetChecked(true);
  Settle();
  mark = monitors.Writes().size();
  Open();
  panel.Slide(1, 70);
  Settle();
  EXPECT_EQ(NewWrites(a), std::vector<uint32_t>{70});
  EXPECT_EQ(NewWrites(b), std::vector<uint32_t>{70});
  Pass(); // the job's report reaches the panel at the pass after it
  EXPECT_EQ(Values(), (std::vector<int>{70, 70}));
}

TEST_F(PanelTest, TheRowsFollowWhatChangedTheDevicesElsewhere) {
  Open();
  EXPECT_EQ(Values(), (std::vector<int>{50, 30}));
  const int draws = panel.Draws();
  Pass();
  EXPECT_EQ(panel.Draws(), draws); // nothing changed, nothing redrawn
  Wheel(-1);                       // a notch over the tray icon
  Settle();
  EXPECT_EQ(Values(), (std::vector<int>{45, 30}));
  // The second monitor goes away and comes back.
  Record(Pnp(u"SIM0002", u"1&UID2"))[u"active"] = Variant(u"false");
  Pass();
  EXPECT_EQ(Values(), (std::vector<int>{45}));
  Record(Pnp(u"SIM0002", u"1&UID2"))[u"active"] = Variant(u"true");
  Record(Pnp(u"SIM0002", u"1&UID2"))[u"brightness"] = Variant::Narrow(65);
  Pass();
  EXPECT_EQ(Values(), (std::vector<int>{45, 65}));
  // The focus stays on its display while a row before it comes and goes.
  panel.Key(PanelKey::Tab);
  Record(Pnp(u"SIM0001", u"1&UID1"))[u"active"] = Variant(u"false");
  Pass();
  EXPECT_EQ(panel.Shown().focus, 0);
  EXPECT_EQ(Values(), (std::vector<int>{65}));
  Record(Pnp(u"SIM0001", u"1&UID1"))[u"active"] = Variant(u"true");
  Pass();
  EXPECT_EQ(panel.Shown().focus, 1);
}

} // namespace
} // namespace lumivane

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "controller/ControllerFixture.h"

namespace lumivane {
namespace {

constexpr const char16_t* kUid2 = u"1111111111111111111111111111111111111111";
constexpr const char16_t* kUid3 = u"2222222222222222222222222222222222222222";

class TrayMenuTest : public ControllerTest {
 protected:
  TrayMenuTest() { Pass(); } // the icon is shown from here on

  TAssoc& Add(const std::u16string& uid, int number, bool active, int brightness = 50) {
    TAssoc& r = AddDevice(uid, 0, 100);
    r[u"number"] = Variant(Variant::Narrow(number).Text());
    r[u"active"] = Variant(active ? u"true" : u"false");
    r[u"brightness"] = Variant(Variant::Narrow(brightness).Text());
    return r;
  }
  std::vector<std::u16string> Captions() const {
    std::vector<std::u16string> out;
    for (const auto& entry : app.controller.PopupMenu1)
      out.push_back(entry.item.caption);
    return out;
  }
  const MenuItem& Item(const std::u16string& caption) const {
    for (const auto& entry : app.controller.PopupMenu1)
      if (entry.item.caption == caption) return entry.item;
    throw std::runtime_error("no such item");
  }
  std::vector<std::u16string> Checked() const {
    std::vector<std::u16string> out;
    for (const auto& entry : app.controller.PopupMenu1)
      if (entry.item.checked) out.push_back(entry.item.caption);
    return out;
  }
  // A right click on the icon that picks caption (or dismisses the menu).
  void RightClick(const std::u16string& caption = u"") {
    if (!caption.empty()) app.popup.Choose(caption);
    c().OpenMenu();
  }
};

TEST_F(TrayMenuTest, DeviceCaptionsFollowNumberKindNameAndResolution) {
  struct Case {
    const char* what;
    bool internal;
    const char16_t* name;
    bool detectRes;
    std::vector<std::pair<const char16_t*, const char16_t*>> mode;
    const char16_t* expected;
  };
  const Case cases[] = {
      {"internal panel, name trimmed", true, u"  Panel 14\" ", false, {}, u"3. Display Panel 14\""},
      {"blank name adds nothing", false, u"   ", false, {}, u"3. Monitor"},
      {"no name at all", false, nullptr, false, {}, u"3. Monitor"},
      {"resolution",
       false,
       u"DELL",
       true,
       {{u"width", u"2560"}, {u"height", u"1440"}, {u"hz", u"75"}},
       u"3. Monitor DELL (2560x1440@75Hz)"},
      {"resolution without a mode", false, u"", true, {}, u"3. Monitor (x@Hz)"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Devices().Clear();
    TAssoc& r = Add(kUid, 3, true);
    r[u"internal"] = Variant(k.internal ? u"true" : u"false");
    if (k.name) r[u"name"] = Variant(k.name);
    for (const auto& [key, value] : k.mode)
      r[key] = Variant(value);
    c().Form.DetectResBox.SetChecked(k.detectRes);
    c().BuildMenu();
    ASSERT_FALSE(Captions().empty());
    EXPECT_EQ(Captions().front(), k.expected);
  }
}

TEST_F(TrayMenuTest, CaptionsComeFromTheLanguageTextsWithTheDefaultTableUntilThen) {
  Add(kUid, 1, true);
  Add(kUid2, 2, true)[u"internal"] = Variant(u"true");
  c().BuildMenu();
  EXPECT_EQ(Captions(),
            (std::vector<std::u16string>{u"1. Monitor", u"2. Display", u"All displays…", u"-", u"Settings", u"Restart",
                                         u"Exit"}));
  TAssoc& lang = c().Root->Items(u"lang");
  for (const auto& [key, text] :
       std::vector<std::pair<const char16_t*, const char16_t*>>{{u"settings", u"Настройки"},
                                                                {u"restart", u"Перезапустить"},
                                                                {u"exit", u"Выход"},
                                                                {u"monitor", u"Монитор"},
                                                                {u"display", u"Дисплей"},
                                                                {u"panel", u"Все дисплеи…"}})
    lang[key] = Variant(text);
  c().MenuRebuildRequested = true;
  Pass();
  EXPECT_EQ(Captions(), (std::vector<std::u16string>{u"1. Монитор", u"2. Дисплей", u"Все дисплеи…", u"-",
                                                     u"Настройки", u"Перезапустить", u"Выход"}));
}

TEST_F(TrayMenuTest, InactiveDevicesAreGreyedOrHiddenAndCannotBeChosen) {
  Add(kUid, 1, true);
  Add(kUid2, 2, false);
  Add(kUid3, 3, true)[u"number"] = Variant(u"two"); // no number: no item
  c().BuildMenu();
  EXPECT_EQ(Captions().size(), 7u);
  const MenuItem& inactive = Item(u"2. Monitor");
  EXPECT_FALSE(inactive.enabled);
  EXPECT_FALSE(inactive.checked);
  EXPECT_TRUE(inactive.visible);
  EXPECT_EQ(Checked(), std::vector<std::u16string>{u"1. Monitor"});

  RightClick(u"2. Monitor");
  EXPECT_EQ(app.popup.Popups(), 1);
  EXPECT_TRUE(c().PendingDevice.empty());

  c().Form.HideBox.SetChecked(true);
  c().MenuRebuildRequested = true;
  Pass();
  RightClick();
  EXPECT_EQ(app.popup.VisibleCaptions(),
            (std::vector<std::u16string>{u"1. Monitor", u"All displays…", u"-", u"Settings", u"Restart", u"Exit"}));
}

TEST_F(TrayMenuTest, OtherActiveCountLeavesOutTheActiveDevice) {
  struct Case {
    const char* what;
    std::vector<bool> active;
    const char16_t* chosen;
    int expected;
  };
  const Case cases[] = {
      {"one active, one inactive", {true, false, false}, nullptr, 0},
      {"three active, the first is active", {true, true, true}, nullptr, 2},
      {"three active, the third chosen", {true, true, true}, kUid3, 2},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Devices().Clear();
    c().ActiveDevice.clear();
    const char16_t* uids[] = {kUid, kUid2, kUid3};
    for (int i = 0; i < 3; ++i)
      Add(uids[i], i + 1, k.active[i]);
    if (k.chosen) c().PendingDevice = k.chosen;
    c().BuildMenu();
    EXPECT_EQ(c().OtherActiveCount, k.expected);
    EXPECT_EQ(c().ActiveDevice, k.chosen ? k.chosen : kUid);
  }
}

TEST_F(TrayMenuTest, StoredChoiceOfTheSecondDeviceIsAdoptedAndShown) {
  Add(kUid, 1, true, 30);
  Add(kUid2, 2, true, 70);
  c().PendingDevice = kUid2; // as the settings load leaves the stored "actmon"
  const size_t entries = Cmd().Count();
  c().BuildMenu();
  EXPECT_EQ(c().ActiveDevice, kUid2);
  EXPECT_TRUE(c().PendingDevice.empty());
  EXPECT_EQ(Checked(), std::vector<std::u16string>{u"2. Monitor"});
  EXPECT_EQ(c().ShownBrightness, 70);
  EXPECT_EQ(app.tray.Current().text, u"70");
  // The value is carried out at once: its entry is already done.
  ASSERT_EQ(Cmd().Count(), entries + 1);
  TAssoc& entry = Cmd()[Variant(c().NowUnixMs())];
  EXPECT_EQ(entry[u"u"].Val().Text(), u"70");
  EXPECT_TRUE(entry.IsSet(u"z"));
  EXPECT_TRUE(c().MenuAttached);
  EXPECT_GE(app.tray.Refreshes(), 1);
}

TEST_F(TrayMenuTest, PendingChoiceOfAMissingOrInactiveDeviceIsDropped) {
  Add(kUid, 1, true);
  Add(kUid2, 2, false);
  for (const char16_t* pending : {kUid2, kUid3}) {
    c().PendingDevice = pending;
    c().BuildMenu();
    EXPECT_EQ(c().ActiveDevice, kUid);
    EXPECT_TRUE(c().PendingDevice.empty());
  }
}

TEST_F(TrayMenuTest, ChoosingADeviceTakesEffectAtTheNextPass) {
  Add(kUid, 1, true, 30);
  Add(kUid2, 2, true, 70);
  c().BuildMenu();
  RightClick(u"2. Monitor");
  EXPECT_EQ(c().PendingDevice, kUid2);
  EXPECT_EQ(c().ActiveDevice, kUid); // nothing else happens in the handler
  Pass();
  EXPECT_EQ(c().ActiveDevice, kUid2);
  EXPECT_EQ(Checked(), std::vector<std::u16string>{u"2. Monitor"});
  EXPECT_EQ(c().ShownBrightness, 70);
}

TEST_F(TrayMenuTest, ChoiceDuringARunningJobWaitsForTheJobsEnd) {
  Add(kUid, 1, true, 30);
  Add(kUid2, 2, true, 70);
  c().BuildMenu();
  Pass(); // the first device's counter lags: a job starts
  ASSERT_TRUE(c().WorkerBusy);
  RightClick(u"2. Monitor");
  Pass();
  Pass();
  EXPECT_EQ(c().ActiveDevice, kUid);
  EXPECT_EQ(c().PendingDevice, kUid2);
  ASSERT_TRUE(app.pool.RunNext());
  app.mainThread.Pump();
  ASSERT_FALSE(c().WorkerBusy);
  Pass();
  EXPECT_EQ(c().ActiveDevice, kUid2);
  EXPECT_EQ(c().ShownBrightness, 70);
}

TEST_F(TrayMenuTest, NoDevicesLeaveTheMenuDetachedAndTheApplicationIcon) {
  Add(kUid, 1, true, 40);
  c().BuildMenu();
  EXPECT_TRUE(c().MenuAttached);
  EXPECT_FALSE(app.tray.Current().applicationIcon);

  Devices().Clear();
  c().MenuRebuildRequested = true;
  Pass();
  EXPECT_FALSE(c().MenuAttached);
  EXPECT_TRUE(c().PopupMenu1.empty());
  EXPECT_TRUE(app.tray.Current().applicationIcon);
  RightClick(u"Exit");
  EXPECT_EQ(app.popup.Popups(), 0);
  EXPECT_EQ(c().RunState, 1);
}

TEST_F(TrayMenuTest, ActiveDeviceThatBecameInactiveShowsTheApplicationIcon) {
  Add(kUid, 1, true, 40);
  Add(kUid2, 2, true, 60);
  c().BuildMenu();
  Devices()[kUid][u"active"] = Variant(u"false");
  c().BuildMenu();
  EXPECT_EQ(c().ActiveDevice, kUid); // stays the active device
  EXPECT_TRUE(app.tray.Current().applicationIcon);
  EXPECT_TRUE(Checked().empty());
}

TEST_F(TrayMenuTest, CommandsRunTheirHandlers) {
  Add(kUid, 1, true);
  c().BuildMenu();
  app.mouseHook.SetCursor({1800, 1060});
  RightClick(u"Settings");
  EXPECT_EQ(app.popup.LastPoint(), (Point{1800, 1060})); // at the pointer
  EXPECT_EQ(app.host.MainWindowShows(), 1);
  RightClick(u"Restart");
  EXPECT_EQ(c().RunState, -1);
  RightClick(u"Exit");
  EXPECT_EQ(c().RunState, -1); // only while running
  RightClick(u"Settings");
  EXPECT_EQ(app.host.MainWindowShows(), 1);
}

TEST_F(TrayMenuTest, TheModalLoopMayRebuildTheMenuOrAskForItAgain) {
  Add(kUid, 1, true);
  Add(kUid2, 2, true);
  c().BuildMenu();
  int nested = 0;
  app.popup.SetDuringPopup([&] {
    // Timer passes run inside the menu: the table is rediscovered and the menu rebuilt, and a
    // second right click arrives.
    Devices().Clear();
    Add(kUid3, 1, true);
    Add(kUid2, 2, true);
    c().MenuRebuildRequested = true;
    Pass();
    if (nested++ == 0) RightClick();
  });
  RightClick(u"2. Monitor");
  EXPECT_EQ(app.popup.Popups(), 1);
  EXPECT_EQ(c().PendingDevice, kUid2); // the tag, looked up in the table as it is now
}

} // namespace
} // namespace lumivane

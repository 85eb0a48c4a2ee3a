// Global hotkeys: the combination text, the stored values, the registrations and what a press
// does to the monitors.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "controller/SupervisionFixture.h"
#include "lang/Lang.h"
#include "settings/RegistryStore.h"

namespace lumivane {
namespace {

TEST(HotkeyText, ReadsWhatPeopleWriteAndWritesOneCanonicalForm) {
  struct Case {
    std::u16string text;
    const char16_t* canonical; // nullptr: no hotkey
  };
  const Case cases[] = {
      {u"Ctrl+Alt+Up", u"Ctrl+Alt+Up"},
      {u"Shift+Win+F9", u"Shift+Win+F9"},
      {u"Ctrl+Alt+PageDown", u"Ctrl+Alt+PageDown"},
      {u"alt+CTRL+up", u"Ctrl+Alt+Up"},
      {u" Ctrl + Shift + a ", u"Ctrl+Shift+A"},
      {u"Win+Shift+Alt+Ctrl+0", u"Ctrl+Alt+Shift+Win+0"},
      {u"Control+PgDn", u"Ctrl+PageDown"},
      {u"Ctrl+F24", u"Ctrl+F24"},
      {u"Ctrl+Num7", u"Ctrl+Num7"},
      {u"alt+numadd", u"Alt+NumAdd"},
      {u"Ctrl+Del", u"Ctrl+Delete"},
      {u"Ctrl+Space", u"Ctrl+Space"},
      {u"F13", u"F13"},
      {u"", nullptr},
      {u"+", nullptr},
      {u"Ctrl+", nullptr},
      {u"+Up", nullptr},
      {u"Ctrl", nullptr},
      {u"Ctrl++Up", nullptr},
      {u"Ctrl+Ctrl+Up", nullptr},
      {u"Ctrl+Control+Up", nullptr},
      {u"Ctrl+Alt+Up+Down", nullptr},
      {u"Ctrl+Up+Alt", nullptr},
      {u"Ctrl+F25", nullptr},
      {u"Ctrl+F0", nullptr},
      {u"Ctrl+Tab", nullptr},
      {u"Hyper+Up", nullptr},
      {u"Ctrl+Alt+Up ;", nullptr},
      {u"Ctrl+\u0410", nullptr}, // a Cyrillic A is no key here
      {u"Ctrl+\uFF21", nullptr}, // nor a full-width one
      {std::u16string(u"Ctrl\0+Up", 8), nullptr},
      {u"Ctrl+" + std::u16string(100, u' ') + u"Up", nullptr},
      {std::u16string(5000, u'+'), nullptr},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.text.begin(), k.text.begin() + std::min<size_t>(k.text.size(), 40)));
    const std::optional<Hotkey> parsed = ParseHotkey(k.text);
    ASSERT_EQ(parsed.has_value(), k.canonical != nullptr);
    if (!parsed) continue;
    EXPECT_EQ(HotkeyText(*parsed), k.canonical);
    EXPECT_EQ(ParseHotkey(HotkeyText(*parsed)), parsed); // the written form reads back the same
  }
}

TEST(HotkeyText, EveryKeyHasANameThatReadsBack) {
  for (int k = 1; k < static_cast<int>(HotkeyKey::Count); ++k) {
    const Hotkey hotkey{kModCtrl, static_cast<HotkeyKey>(k)};
    const std::u16string text = HotkeyText(hotkey);
    ASSERT_FALSE(text.empty()) << k;
    EXPECT_EQ(ParseHotkey(text), hotkey) << k;
  }
  EXPECT_EQ(HotkeyText(Hotkey{kModCtrl, HotkeyKey::None}), u"");
}

TEST(HotkeyText, EveryTableNamesEveryPartOfTheHotkeysPage) {
  for (const LangTable* t : {&kDefaultTable, &kRussianTable, &kUkrainianTable, &kChineseTable}) {
    for (const char16_t* text :
         {t->TabSheet4, t->HotkeyClear, t->HotkeyActive, t->HotkeyTaken, t->HotkeyFailed})
      ASSERT_TRUE(text && *text);
    for (const char16_t* caption : t->HotkeyCaption)
      ASSERT_TRUE(caption && *caption);
  }
}

const Hotkey kCtrlAltUp{kModCtrl | kModAlt, HotkeyKey::Up};
const Hotkey kCtrlAltDown{kModCtrl | kModAlt, HotkeyKey::Down};
const Hotkey kShiftWinF9{kModShift | kModWin, HotkeyKey::F9};
const Hotkey kCtrlAltN{kModCtrl | kModAlt, HotkeyKey::N};
const Hotkey kCtrlAltP{kModCtrl | kModAlt, HotkeyKey::P};

// Two monitors at 50, the first one active; hotkeys stored before the start.
class HotkeysTest : public SupervisionTest {
 protected:
  HotkeysTest() {
    first = AddMonitor(u"SIM0001", u"1&UID1", 50);
    second = AddMonitor(u"SIM0002", u"1&UID2", 50);
  }
  void StartWith(std::initializer_list<std::pair<const char16_t*, const char16_t*>> stored) {
    for (const auto& [name, text] : stored)
      machine_.registry.SetString(kSettingsKey, name, text);
    Start();
    MakeActive(Pnp(u"SIM0001", u"1&UID1"));
    Pass();
  }
  // The key goes down; the message loop runs the pass the press asked for, if any.
  bool Press(const Hotkey& hotkey) {
    clock.AdvanceMs(1);
    const bool taken = hotkeys.Press(hotkey);
    host.DeliverPass();
    EXPECT_TRUE(mainThread.PumpUntil([&] { return !controller->WorkerBusy; }));
    pool.Join();
    return taken;
  }
  std::optional<std::u16string> Stored(const char16_t* name) {
    auto v = machine_.registry.Get(kSettingsKey, name);
    if (!v) return std::nullopt;
    return v->text;
  }
  size_t ErrorLinesWith(const std::u16string& part) {
    size_t n = 0;
    for (const auto& line : host.LogLines())
      if (line.find(u"ERROR!") != std::u16string::npos && line.find(part) != std::u16string::npos) ++n;
    return n;
  }
  const std::u16string& StateText(int row) { return controller->Form.Hotkeys(row).State.Caption(); }

  SimSettingsView& view() { return settingsView; }

  size_t first = 0, second = 0;
};

TEST_F(HotkeysTest, NoneIsTakenByDefault) {
  StartWith({});
  EXPECT_TRUE(hotkeys.Registered().empty());
  EXPECT_FALSE(Press(kCtrlAltUp));
  EXPECT_TRUE(monitors.Writes().empty());
}

TEST_F(HotkeysTest, EachActionDoesWhatItsMouseCounterpartDoes) {
  StartWith({{u"hotkey_up", u"ctrl + alt + up"},
             {u"hotkey_down", u"Ctrl+Alt+Down"},
             {u"hotkey_glare", u"shift+win+f9"},
             {u"hotkey_next", u"Ctrl+Alt+N"},
             {u"hotkey_panel", u"Ctrl+Alt+P"}});
  EXPECT_EQ(Stored(u"hotkey_up"), u"Ctrl+Alt+Up");
  EXPECT_EQ(Stored(u"hotkey_glare"), u"Shift+Win+F9");
  ASSERT_EQ(hotkeys.Registered().size(), 5u);

  // A step is carried out right after the press, as a notch's is.
  ASSERT_TRUE(Press(kCtrlAltUp));
  EXPECT_EQ(WritesTo(first), std::vector<uint32_t>{55});
  ASSERT_TRUE(Press(kCtrlAltDown));
  ASSERT_TRUE(Press(kCtrlAltDown));
  EXPECT_EQ(WritesTo(first), (std::vector<uint32_t>{55, 50, 45}));
  EXPECT_TRUE(WritesTo(second).empty());

  // Anti-glare: down to the lower limit at the next pass, back with the second press.
  ASSERT_TRUE(Press(kShiftWinF9));
  Pass();
  EXPECT_EQ(WritesTo(first).back(), 0u);
  ASSERT_TRUE(Press(kShiftWinF9));
  Pass();
  EXPECT_EQ(WritesTo(first).back(), 45u);

  // The next display turns with the keys from then on, and the one after it is the first again.
  ASSERT_TRUE(Press(kCtrlAltN));
  Pass();
  EXPECT_EQ(controller->ActiveDevice, DeviceUid(Pnp(u"SIM0002", u"1&UID2")));
  EXPECT_EQ(Stored(u"actmon"), controller->ActiveDevice);
  const size_t firstWrites = WritesTo(first).size();
  ASSERT_TRUE(Press(kCtrlAltUp));
  EXPECT_EQ(WritesTo(second), std::vector<uint32_t>{55});
  EXPECT_EQ(WritesTo(first).size(), firstWrites);
  ASSERT_TRUE(Press(kCtrlAltN));
  Pass();
  EXPECT_EQ(controller->ActiveDevice, DeviceUid(Pnp(u"SIM0001", u"1&UID1")));

  // The panel opens, with a row for each display.
  ASSERT_TRUE(Press(kCtrlAltP));
  EXPECT_TRUE(controller->PanelOpen());
  EXPECT_EQ(panel.Shown().rows.size(), 2u);
}

TEST_F(HotkeysTest, AStepStopsAtTheUpperLimit) {
  StartWith({{u"hotkey_up", u"Ctrl+Alt+Up"}});
  for (int i = 0; i < 12; ++i)
    ASSERT_TRUE(Press(kCtrlAltUp));
  const std::vector<uint32_t> writes = WritesTo(first);
  ASSERT_FALSE(writes.empty());
  EXPECT_EQ(writes.back(), 100u);
  EXPECT_EQ(*std::max_element(writes.begin(), writes.end()), 100u);
}

TEST_F(HotkeysTest, AHeldCombinationIsReportedAndLoggedOnceAndTheOthersWork) {
  hotkeys.HoldElsewhere(kCtrlAltUp);
  StartWith({{u"hotkey_up", u"Ctrl+Alt+Up"}, {u"hotkey_down", u"Ctrl+Alt+Down"}});
  EXPECT_EQ(StateText(0), kDefaultTable.HotkeyTaken);
  EXPECT_EQ(StateText(1), kDefaultTable.HotkeyActive);
  EXPECT_EQ(ErrorLinesWith(u"Ctrl+Alt+Up"), 1u);
  EXPECT_EQ(Stored(u"hotkey_up"), u"Ctrl+Alt+Up"); // kept for when the other program lets go

  // Tried again (the same combination typed anew): still held, no second line.
  view().UserHotkey(HotkeyControl(0, HotkeyPart::Box), kCtrlAltUp);
  EXPECT_EQ(ErrorLinesWith(u"Ctrl+Alt+Up"), 1u);

  EXPECT_FALSE(Press(kCtrlAltUp));
  ASSERT_TRUE(Press(kCtrlAltDown));
  EXPECT_EQ(WritesTo(first), std::vector<uint32_t>{45});

  // Let go elsewhere and typed again: registered, and shown so.
  hotkeys.ReleaseElsewhere(kCtrlAltUp);
  view().UserHotkey(HotkeyControl(0, HotkeyPart::Box), kCtrlAltUp);
  EXPECT_EQ(StateText(0), kDefaultTable.HotkeyActive);
  ASSERT_TRUE(Press(kCtrlAltUp));
  EXPECT_EQ(WritesTo(first), (std::vector<uint32_t>{45, 50}));
}

TEST_F(HotkeysTest, AChangeInTheWindowIsStoredAndRegisteredAtOnce) {
  StartWith({{u"hotkey_up", u"Ctrl+Alt+Up"}});
  view().UserHotkey(HotkeyControl(0, HotkeyPart::Box), kShiftWinF9);
  EXPECT_EQ(Stored(u"hotkey_up"), u"Shift+Win+F9");
  EXPECT_FALSE(Press(kCtrlAltUp)); // the old combination is free again
  ASSERT_TRUE(Press(kShiftWinF9));
  EXPECT_EQ(WritesTo(first), std::vector<uint32_t>{55});
  EXPECT_EQ(StateText(0), u"Shift+Win+F9: " + std::u16string(kDefaultTable.HotkeyActive));

  view().UserClick(HotkeyControl(0, HotkeyPart::Clear));
  EXPECT_FALSE(Stored(u"hotkey_up").has_value());
  EXPECT_TRUE(hotkeys.Registered().empty());
  EXPECT_EQ(view().Of(HotkeyControl(0, HotkeyPart::Box)).hotkey, Hotkey{});
  EXPECT_EQ(StateText(0), u"");
  EXPECT_FALSE(Press(kShiftWinF9));
}

TEST_F(HotkeysTest, AStoredValueThatIsNoCombinationSetsNoHotkeyAndIsLoggedOnce) {
  StartWith({{u"hotkey_up", u"Ctrl+Alt+Sideways"}, {u"hotkey_down", u""}, {u"hotkey_next", u"Ctrl+Alt+N"}});
  EXPECT_EQ(hotkeys.Registered().size(), 1u);
  EXPECT_EQ(ErrorLinesWith(u"hotkey_up"), 1u);
  EXPECT_EQ(ErrorLinesWith(u"hotkey_down"), 0u);
  EXPECT_EQ(Stored(u"hotkey_up"), u"Ctrl+Alt+Sideways"); // the user's text stays to be mended
  for (int i = 0; i < 3; ++i)
    Pass();
  EXPECT_EQ(ErrorLinesWith(u"hotkey_up"), 1u);
}

TEST_F(HotkeysTest, TheCloseReleasesEveryHotkeyAndALatePressDoesNothing) {
  StartWith({{u"hotkey_up", u"Ctrl+Alt+Up"}});
  controller->Exiter();
  ASSERT_TRUE(controller->FormClose());
  EXPECT_TRUE(hotkeys.Registered().empty());
  EXPECT_FALSE(Press(kCtrlAltUp));
  EXPECT_TRUE(WritesTo(first).empty());
}

} // namespace
} // namespace lumivane

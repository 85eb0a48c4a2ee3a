#include <functional>
#include <optional>
#include <string>

#include "assoc/StrUtilsEx.h"
#include "controller/ControllerFixture.h"

namespace lumivane {
namespace {

using Type = SimRegistry::Type;

class SettingsHandlersTest : public ControllerTest {
 protected:
  SimSettingsView& View() { return app.settingsView; }
  std::optional<SimRegistry::Value> Stored(const std::u16string& name) {
    return machine.registry.Get(kSettingsKey, name);
  }
  const SimIconPainter::Painting& Painted() {
    static const SimIconPainter::Painting none;
    const SimIconPainter::Icon* icon = app.iconPainter.Find(app.tray.CurrentIcon());
    return icon ? icon->painting : none;
  }
  void ClearFlags() {
    c().RescanRequested = c().MenuRebuildRequested = c().ProgramsChanged = c().RangeChanged = false;
  }
};

TEST_F(SettingsHandlersTest, ComboBoxesStoreTheirValueAndSetTheirVariable) {
  ActiveDevice(50);
  struct Case {
    SettingsControl combo;
    int index;
    const char16_t* name;
    std::optional<int32_t> number; // stored as a number, else as the item text
    std::function<int()> variable;
    int expected;
    bool rangeChanged, menuRebuild;
  };
  const Case cases[] = {
      {SettingsControl::stepval, 6, u"step", 50, [&] { return c().StepPercent; }, 50, false, false},
      {SettingsControl::stepval, 0, u"step", 1, [&] { return c().StepPercent; }, 1, false, false},
      {SettingsControl::stepMin, 6, u"vmin", 30, [&] { return c().RangeMin; }, 30, true, false},
      {SettingsControl::stepMax, 16, u"vmax", 80, [&] { return c().RangeMax; }, 80, true, false},
      {SettingsControl::Lang, 3, u"lang", std::nullopt, [] { return 0; }, 0, false, true},
      {SettingsControl::fontval, 2, u"font", std::nullopt, [] { return 0; }, 0, false, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(static_cast<int>(k.combo));
    ClearFlags();
    View().UserSelect(k.combo, k.index);
    const auto stored = Stored(k.name);
    ASSERT_TRUE(stored.has_value());
    if (k.number) {
      EXPECT_EQ(stored->type, Type::Dword);
      EXPECT_EQ(stored->number, *k.number);
    } else {
      EXPECT_EQ(stored->type, Type::String);
      EXPECT_EQ(stored->text, View().Of(k.combo).items[static_cast<size_t>(k.index)]);
    }
    EXPECT_EQ(k.variable(), k.expected);
    EXPECT_EQ(c().RangeChanged, k.rangeChanged);
    EXPECT_EQ(c().MenuRebuildRequested, k.menuRebuild);
    EXPECT_FALSE(c().RescanRequested || c().ProgramsChanged);
  }
  // The font change refits and redraws the digits in the new face at once.
  EXPECT_EQ(Painted().font.name, u"Trebuchet MS");
  EXPECT_EQ(Painted().text, u"50");

  // A pass after a limit change narrows the device to the new limits.
  View().UserSelect(SettingsControl::stepMax, 16);
  Pass();
  EXPECT_EQ(Devices()[kUid][u"min"].Val().ToInt64(), 30);
  EXPECT_EQ(Devices()[kUid][u"max"].Val().ToInt64(), 80);
}

TEST_F(SettingsHandlersTest, CheckBoxesWriteOneOrDeleteAndRaiseTheirFlags) {
  struct Case {
    SettingsControl box;
    const char16_t* name;
    bool rescan, menuRebuild;
  };
  const Case cases[] = {
      {SettingsControl::SyncBox, u"syncbox", false, false},
      {SettingsControl::TrackBox, u"trackbox", false, false},
      {SettingsControl::DetectModelBox, u"detectmodelbox", true, false},
      {SettingsControl::DetectResBox, u"detectresbox", false, true},
      {SettingsControl::HideBox, u"hidebox", false, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.name, k.name + std::char_traits<char16_t>::length(k.name)));
    for (bool checked : {true, false}) {
      ClearFlags();
      View().UserCheck(k.box, checked);
      const auto stored = Stored(k.name);
      EXPECT_EQ(stored.has_value(), checked);
      if (stored) EXPECT_EQ(stored->text, u"1");
      EXPECT_EQ(c().RescanRequested, k.rescan);
      EXPECT_EQ(c().MenuRebuildRequested, k.menuRebuild);
    }
  }
}

TEST_F(SettingsHandlersTest, OutsideTheRunningStateOnlyFlagsAndTheLanguageFollow) {
  struct Case {
    const char* what;
    std::function<void(SimSettingsView&)> act;
    bool rescan, menuRebuild;
  };
  const Case cases[] = {
      {"AutoRunBox", [](SimSettingsView& v) { v.UserClick(SettingsControl::AutoRunBox); }, false, false},
      {"SyncBox", [](SimSettingsView& v) { v.UserClick(SettingsControl::SyncBox); }, false, false},
      {"TrackBox", [](SimSettingsView& v) { v.UserClick(SettingsControl::TrackBox); }, false, false},
      {"DetectModelBox", [](SimSettingsView& v) { v.UserClick(SettingsControl::DetectModelBox); }, true,
       false},
      {"DetectResBox", [](SimSettingsView& v) { v.UserClick(SettingsControl::DetectResBox); }, false, true},
      {"HideBox", [](SimSettingsView& v) { v.UserClick(SettingsControl::HideBox); }, false, true},
      {"stepval", [](SimSettingsView& v) { v.UserSelect(SettingsControl::stepval, 6); }, false, false},
      {"stepMin", [](SimSettingsView& v) { v.UserSelect(SettingsControl::stepMin, 6); }, false, false},
      {"stepMax", [](SimSettingsView& v) { v.UserSelect(SettingsControl::stepMax, 6); }, false, false},
      {"fontval", [](SimSettingsView& v) { v.UserSelect(SettingsControl::fontval, 0); }, false, false},
      {"Lang", [](SimSettingsView& v) { v.UserSelect(SettingsControl::Lang, 3); }, false, true},
      {"color", [](SimSettingsView& v) { v.UserType(SettingsControl::color, u"123456"); }, false, false},
      {"ColorButton", [](SimSettingsView& v) { v.UserClick(SettingsControl::ColorButton); }, false, false},
      {"Config", [](SimSettingsView& v) { v.UserType(SettingsControl::Config, u"a=1"); }, false, false},
  };
  ActiveDevice(50);
  for (const char* state : {"exit requested", "restart requested", "no state root"}) {
    for (const Case& k : cases) {
      SCOPED_TRACE(std::string(state) + ": " + k.what);
      machine.registry.Clear();
      c().RunState = std::string(state) == "restart requested" ? -1 : 0;
      if (std::string(state) == "no state root") {
        c().RunState = 1;
        c().Root.reset();
      }
      ClearFlags();
      const int shownBefore = c().ShownBrightness;
      const size_t paintings = app.iconPainter.Created();
      View().AnswerColorDialog(MakeColor(1, 2, 3));
      k.act(View());
      EXPECT_FALSE(machine.registry.KeyExists(kSettingsKey));
      EXPECT_FALSE(machine.registry.KeyExists(kRunKey));
      EXPECT_EQ(c().RescanRequested, k.rescan);
      EXPECT_EQ(c().MenuRebuildRequested, k.menuRebuild);
      EXPECT_FALSE(c().ProgramsChanged || c().RangeChanged);
      EXPECT_EQ(c().StepPercent, 5);
      EXPECT_EQ(c().RangeMin, 0);
      EXPECT_EQ(c().RangeMax, 100);
      EXPECT_EQ(c().ShownBrightness, shownBefore);
      EXPECT_EQ(app.iconPainter.Created(), paintings);
      EXPECT_TRUE(View().ColorDialogStarts().empty());
      View().AnswerColorDialog(std::nullopt);
    }
  }
}

TEST_F(SettingsHandlersTest, ColourIsStoredAndDrawnAtEveryKeystroke) {
  ActiveDevice(50);
  const std::pair<const char16_t*, Color> typed[] = {
      {u"F", MakeColor(0, 0, 0x0F)},
      {u"FF", MakeColor(0, 0, 0xFF)}, // read as a number: blue
      {u"FF0", MakeColor(0, 0x0F, 0xF0)},
      {u"FF00", MakeColor(0, 0xFF, 0)},
      {u"FF000", MakeColor(0x0F, 0xF0, 0)},
      {u"FF0000", MakeColor(0xFF, 0, 0)},
      {u" ff0000 ", MakeColor(0xFF, 0, 0)}, // stored trimmed
      {u"FF00ZZ", 0},                       // stored as typed, drawn black
  };
  for (const auto& [text, color] : typed) {
    SCOPED_TRACE(std::string(text, text + std::char_traits<char16_t>::length(text)));
    View().UserType(SettingsControl::color, text);
    EXPECT_EQ(Stored(u"color")->text, TrimBlanks(text));
    EXPECT_EQ(Painted().textColor, color);
    EXPECT_EQ(c().Form.ColorDialog1.Color, color);
  }
}

TEST_F(SettingsHandlersTest, ColourDialogStartsOnTheShownColourAndAConfirmedChoiceIsStored) {
  ActiveDevice(50);
  View().UserType(SettingsControl::color, u" 00ff00 ");

  View().AnswerColorDialog(std::nullopt); // cancelled: nothing changes
  View().UserClick(SettingsControl::ColorButton);
  EXPECT_EQ(c().Form.color.Text(), u" 00ff00 ");
  EXPECT_EQ(Stored(u"color")->text, u"00ff00");

  View().AnswerColorDialog(MakeColor(0x12, 0xAB, 0x0C));
  View().UserClick(SettingsControl::ColorButton);
  EXPECT_EQ(View().ColorDialogStarts(),
            (std::vector<uint32_t>{MakeColor(0, 0xFF, 0), MakeColor(0, 0xFF, 0)}));
  EXPECT_EQ(c().Form.color.Text(), u"12AB0C");
  EXPECT_EQ(View().Of(SettingsControl::color).text, u"12AB0C"); // the window shows the choice
  EXPECT_EQ(Stored(u"color")->text, u"12AB0C");
  EXPECT_EQ(Painted().textColor, MakeColor(0x12, 0xAB, 0x0C));
}

TEST_F(SettingsHandlersTest, FontOrColourChangeWithNothingShownKeepsTheApplicationIcon) {
  TAssoc& record = ActiveDevice(50);
  record[u"active"] = Variant(u"false");
  c().ValueChange(50, true); // the device stopped answering
  record[u"active"] = Variant(u"true");
  ASSERT_EQ(c().ShownBrightness, -1);
  View().UserSelect(SettingsControl::fontval, 0);
  View().UserType(SettingsControl::color, u"00FF00");
  EXPECT_EQ(c().ShownBrightness, -1);
  EXPECT_TRUE(app.tray.Current().applicationIcon);
}

TEST_F(SettingsHandlersTest, ListEditStoresTheWholeTextAndTheNextPassRebuildsTheTable) {
  View().UserType(SettingsControl::Config, u"game.exe=100\r\n");
  EXPECT_EQ(Stored(u"config")->text, u"game.exe=100\r\n");
  EXPECT_TRUE(c().ProgramsChanged);
  Pass();
  EXPECT_FALSE(c().ProgramsChanged);
  EXPECT_TRUE(c().Root->Items(u"programs").IsSet(u"GAME.EXE"));
}

} // namespace
} // namespace lumivane

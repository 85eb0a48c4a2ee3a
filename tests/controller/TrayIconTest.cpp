#include <string>

#include "controller/ControllerFixture.h"

namespace lumivane {
namespace {

constexpr Color kKey = MakeColor(0x96, 0x36, 0xA7);
constexpr Color kWhite = MakeColor(0xFF, 0xFF, 0xFF);

TEST(ColorTextTest, HexToColorReadsRrggbbOrGivesBlack) {
  struct Case {
    const char16_t* text;
    uint32_t color;
  };
  const Case cases[] = {
      {u"FF8000", 0x000080FF},
      {u"ff8000", 0x000080FF},
      {u"9636A7", 0x00A73696},
      {u"FFFFFF", 0x00FFFFFF},
      {u"000000", 0},
      {u"0000FF8000", 0x000080FF}, // leading zeros keep the value
      {u"1", 0x00010000},          // 0x000001: blue
      {u"", 0},
      {u" FF8000", 0},
      {u"FF8000 ", 0},
      {u"#FF8000", 0},
      {u"$FF8000", 0},
      {u"0xFF8000", 0},
      {u"-1", 0},
      {u"+FF8000", 0},
      {u"GG0000", 0},
      {u"1000000", 0},
      {u"FFFFFFFF", 0},
      {u"100000000", 0},   // wrapping 32 bits
      {u"FF\u0660000", 0}, // a non-Latin digit
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.text, k.text + std::char_traits<char16_t>::length(k.text)));
    EXPECT_EQ(HexToColor(k.text), k.color);
  }
}

TEST(ColorTextTest, ColorToHexIsUpperCaseRrggbbAndRoundTrips) {
  EXPECT_EQ(ColorToHex(0x000080FF), u"FF8000");
  EXPECT_EQ(ColorToHex(0x00A73696), u"9636A7");
  EXPECT_EQ(ColorToHex(0), u"000000");
  for (int r = 0; r < 256; r += 15)
    for (int g = 0; g < 256; g += 17)
      for (int b = 0; b < 256; b += 51) {
        const Color c = MakeColor(r, g, b);
        ASSERT_EQ(HexToColor(ColorToHex(c)), c) << std::hex << c;
      }
}

class TrayIconTest : public ControllerTest {
 protected:
  const SimIconPainter::Icon& Shown() {
    const SimIconPainter::Icon* icon = app.iconPainter.Find(app.tray.CurrentIcon());
    EXPECT_NE(icon, nullptr);
    static const SimIconPainter::Icon none;
    return icon ? *icon : none;
  }
};

TEST_F(TrayIconTest, RendFitsBothHeightsToTheSettingsWindowsIconWidth) {
  struct Case {
    const char16_t* font;
    Size window;
    int height100, height2Digits;
  };
  // Sim glyphs are ceil(height x 0.55) wide in Tahoma, 0.56 in Arial, 0.53 in Trebuchet MS.
  const Case cases[] = {
      {u"Tahoma", {16, 16}, 9, 14},  {u"Arial", {16, 16}, 8, 14}, {u"Trebuchet MS", {16, 16}, 9, 15},
      {u"Tahoma", {24, 24}, 14, 21}, // a window at 150 %: its own icon size counts
      {u"Tahoma", {32, 20}, 18, 20}, // wide and low: the height bounds the search
      {u"Tahoma", {1, 16}, 0, 0},    // nothing fits
      {u"Tahoma", {16, 0}, 0, 0},
  };
  app.textMetrics.SetSmallIconSize({16, 16});
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.window.width << "x" << k.window.height);
    c().Form.fontval.Select(k.font);
    app.textMetrics.SetSettingsWindowIconSize(k.window);
    const int before = app.textMetrics.Measurements();
    c().Rend();
    EXPECT_EQ(c().FontHeight100, k.height100);
    EXPECT_EQ(c().FontHeight2Digits, k.height2Digits);
    EXPECT_LE(app.textMetrics.Measurements() - before, 2 * k.window.height);
  }
}

TEST_F(TrayIconTest, HundredAtItsHeightEveryOtherValueAtTheTwoDigitHeightInTheSystemIconSize) {
  app.textMetrics.SetSmallIconSize({16, 16});
  app.textMetrics.SetSettingsWindowIconSize({24, 24});
  c().Rend(); // 14 and 21 at the window's DPI
  ActiveDevice(50);
  for (int v = 0; v <= 100; ++v) {
    SCOPED_TRACE(v);
    c().ValueChange(v, false);
    const std::u16string text = Variant::Narrow(v).Text();
    const SimIconPainter::Painting& p = Shown().painting;
    EXPECT_EQ(p.text, text);
    EXPECT_EQ(p.font, (FontSpec{u"Tahoma", v == 100 ? 14 : 21}));
    EXPECT_EQ(p.size, (Size{16, 16}));
    EXPECT_EQ(p.background, kKey);
    EXPECT_EQ(p.textColor, MakeColor(0xFF, 0x80, 0x00)); // the colour loading gives an empty store
    EXPECT_EQ(app.tray.Current(), (SimTray::Image{false, text, p.font.height}));
  }
}

TEST_F(TrayIconTest, MaskIsKeyedOnTheBottomLeftPixel) {
  struct Case {
    const char* what;
    const char16_t* text;
    int fontHeight;
    const char16_t* colorText;
    Color transparent; // the colour the mask hides
    bool textVisible;
  };
  const Case cases[] = {
      {"digits on the key colour", u"42", 9, u"FFFFFF", kKey, true},
      // A wide, tall first glyph over the corner, a blank beside it: the text colour is hidden and
      // the key colour shows.
      {"glyph over the corner", u"0 ", 30, u"FFFFFF", kWhite, false},
      {"text in the key colour", u"42", 9, u"9636A7", kKey, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    c().IconFontHeight = k.fontHeight;
    c().Form.color.SetText(k.colorText);
    const IconHandle handle = c().CreateTextIcon(k.text);
    const SimIconPainter::Icon* icon = app.iconPainter.Find(handle);
    ASSERT_NE(icon, nullptr);
    int opaqueText = 0, opaque = 0;
    for (size_t i = 0; i < icon->mask.size(); ++i) {
      EXPECT_EQ(icon->mask[i], icon->colour.data[i] == k.transparent) << i;
      opaque += !icon->mask[i];
      opaqueText += !icon->mask[i] && icon->colour.data[i] == HexToColor(k.colorText);
    }
    EXPECT_EQ(opaqueText > 0, k.textVisible);
    if (k.transparent == kWhite) {
      EXPECT_GT(opaque, 0); // the key colour is what shows
    }
    if (std::u16string(k.colorText) == u"9636A7") {
      EXPECT_EQ(opaque, 0);
    }
    app.iconPainter.DestroyIcon(handle);
  }
}

TEST_F(TrayIconTest, ColourTextIsTrimmedAndAnythingElseDrawsBlack) {
  struct Case {
    const char16_t* colorText;
    Color drawn;
  };
  const Case cases[] = {{u" ff8000\t", MakeColor(0xFF, 0x80, 0)},
                        {u"", 0},
                        {u"   ", 0},
                        {u"#FF8000", 0},
                        {u"FF 8000", 0},
                        {u"FF80001", 0}};
  ActiveDevice(50);
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.colorText, k.colorText + std::char_traits<char16_t>::length(k.colorText)));
    c().Form.color.SetText(k.colorText);
    c().ValueChange(c().ShownBrightness, false); // what the colour edit's handler does
    EXPECT_EQ(Shown().painting.textColor, k.drawn);
  }
}

TEST_F(TrayIconTest, AnIconTheTrayRefusesIsDestroyedAndTheOldImageStays) {
  app.tray.SetVisible(true); // only a shown icon asks the shell, which may refuse
  ActiveDevice(50);
  ASSERT_EQ(app.iconPainter.LiveIcons(), 1u); // the one the tray shows
  const IconHandle shown = app.tray.CurrentIcon();

  app.tray.FailSetIcon();
  EXPECT_FALSE(c().UpdateTrayIconText(u"45"));
  EXPECT_EQ(app.tray.CurrentIcon(), shown);
  EXPECT_EQ(app.tray.Current().text, u"50");

  app.iconPainter.SetFailCreate(true);
  EXPECT_FALSE(c().UpdateTrayIconText(u"45"));
  app.iconPainter.SetFailCreate(false);
  EXPECT_EQ(app.iconPainter.LiveIcons(), 1u);

  // ValueChange goes on with the value: the devices follow it and the next redraw shows it.
  app.tray.FailSetIcon();
  c().ValueChange(40, true);
  EXPECT_EQ(c().ShownBrightness, 40);
  EXPECT_EQ(app.tray.Current().text, u"50");
  c().ValueChange(35, true);
  EXPECT_EQ(app.tray.Current().text, u"35");

  for (int n = 0; n < 1000; ++n)
    ASSERT_TRUE(c().UpdateTrayIconText(Variant::Narrow(n % 101).Text()));
  EXPECT_EQ(app.iconPainter.LiveIcons(), 1u);
  Devices().Clear();
  c().ValueChange(10, true); // no device: the application icon, the text icon goes
  EXPECT_EQ(app.iconPainter.LiveIcons(), 0u);
  EXPECT_EQ(app.iconPainter.BadDestroys(), 0);
  EXPECT_EQ(app.iconPainter.Created(), app.iconPainter.Destroyed());
}

// A window moved to a monitor of another DPI: the next pass measures the digits again for the
// window's new icon size and redraws the shown value at the height that now fits. During
// shutdown nothing is refitted or redrawn.
TEST_F(TrayIconTest, DpiChangeRefitsAndRedrawsTheDigitsAtTheNextPassOnlyWhileRunning) {
  struct Case {
    int runState;
    int heightAfter; // the digits' font height drawn after the change
  };
  const Case cases[] = {{1, 21}, {0, 14}, {-1, 14}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.runState);
    SimClock caseClock;
    SimMachine caseMachine{&caseClock};
    SimProcess p(caseClock, caseMachine);
    p.textMetrics.SetSmallIconSize({16, 16});
    p.textMetrics.SetSettingsWindowIconSize({16, 16});
    StartProcess(p);
    TAssoc& r = p.controller.Root->Items(u"devices").Items(kUid);
    r[u"number"] = Variant(u"1");
    r[u"active"] = Variant(u"true");
    r[u"min"] = Variant(u"0");
    r[u"max"] = Variant(u"100");
    r[u"brightness"] = Variant(u"50");
    p.controller.Rend();
    p.controller.BuildMenu();
    const SimIconPainter::Icon* before = p.iconPainter.Find(p.tray.CurrentIcon());
    ASSERT_NE(before, nullptr);
    ASSERT_EQ(before->painting.text, u"50");
    ASSERT_EQ(before->painting.font.height, 14); // Tahoma's two digits in 16 pixels
    p.controller.WorkerBusy = true;              // keeps a shutting-down program open for the pass
    const size_t drawn = p.tray.History().size();

    p.controller.RunState = k.runState;
    p.textMetrics.SetSettingsWindowIconSize({24, 24}); // now on a monitor at 150 %
    p.controller.WMDpiChanged();
    caseClock.AdvanceMs(100);
    p.host.FireTimer();

    const SimIconPainter::Icon* shown = p.iconPainter.Find(p.tray.CurrentIcon());
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->painting.text, u"50");
    EXPECT_EQ(shown->painting.font.height, k.heightAfter);
    EXPECT_EQ(shown->painting.size, (Size{16, 16})); // the bitmap keeps the system's icon size
    EXPECT_EQ(p.tray.History().size() > drawn, k.runState > 0);
    p.controller.WorkerBusy = false;
  }
}

} // namespace
} // namespace lumivane

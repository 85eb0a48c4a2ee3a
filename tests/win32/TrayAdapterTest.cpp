#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "FakeShellTray.h"
#include "Win32TestSupport.h"
#include "controller/MainForm.h"
#include "platform/sim/SimPlatform.h"
#include "platform/win32/Messages.h"
#include "platform/win32/Win32Host.h"
#include "platform/win32/Win32IconPainter.h"
#include "platform/win32/Win32TextMetrics.h"
#include "platform/win32/Win32Tray.h"

namespace lumivane::win32 {
namespace {

struct IconPixels {
  int width = 0, height = 0;
  std::vector<uint32_t> color; // top-down 0xAARRGGBB
  std::vector<bool> transparent;
};

IconPixels Read(HICON icon) {
  IconPixels out;
  ICONINFO info{};
  if (!::GetIconInfo(icon, &info)) return out;
  UniqueGdiObj color(info.hbmColor), mask(info.hbmMask);
  BITMAP bm{};
  ::GetObjectW(color.get(), sizeof bm, &bm);
  out.width = bm.bmWidth;
  out.height = bm.bmHeight;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = out.width;
  bi.bmiHeader.biHeight = -out.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  WindowDc dc(nullptr);
  out.color.resize(static_cast<size_t>(out.width) * out.height);
  ::GetDIBits(dc.get(), static_cast<HBITMAP>(color.get()), 0, out.height, out.color.data(), &bi,
              DIB_RGB_COLORS);
  std::vector<uint32_t> maskPixels(out.color.size());
  ::GetDIBits(dc.get(), static_cast<HBITMAP>(mask.get()), 0, out.height, maskPixels.data(), &bi,
              DIB_RGB_COLORS);
  for (uint32_t m : maskPixels)
    out.transparent.push_back((m & 0xFFFFFF) != 0);
  return out;
}

bool IconAlive(HICON icon) {
  ICONINFO info{};
  if (!::GetIconInfo(icon, &info)) return false;
  UniqueGdiObj color(info.hbmColor), mask(info.hbmMask);
  return true;
}

// The real measurer, with the small-icon size a case asks for.
class SizedMetrics final : public ITextMetrics {
 public:
  explicit SizedMetrics(HWND window) : real_(window) {}
  Size size{16, 16};
  Size SmallIconSize() const override { return size; }
  Size SmallIconSizeForSettingsWindow() const override { return size; }
  int TextWidth(const std::u16string& text, const FontSpec& font) const override {
    return real_.TextWidth(text, font);
  }

 private:
  Win32TextMetrics real_;
};

// The ports the controller needs besides the ones under test, simulated.
struct SimulatedRest {
  SimClock clock;
  SimMachine machine{&clock};
  SimPlatform sim{clock, machine};
};

// The controller's painting with the real painter.
struct IconMaker {
  IconMaker() {
    Platform ports = rest.sim.Ports();
    ports.textMetrics = &metrics;
    ports.iconPainter = &painter;
    controller = std::make_unique<TController>(ports);
  }
  UniqueHicon Make(const std::u16string& text, Size size, int fontHeight, const char16_t* colorText) {
    metrics.size = size;
    controller->IconFontHeight = fontHeight;
    controller->Form.color.SetText(colorText);
    return UniqueHicon(reinterpret_cast<HICON>(controller->CreateTextIcon(text)));
  }
  SimulatedRest rest;
  SizedMetrics metrics{nullptr};
  Win32IconPainter painter;
  std::unique_ptr<TController> controller;
};

TEST(Win32TrayIcon, DigitsAreOpaqueCentredAndTheBackgroundIsTransparentBlack) {
  struct Case {
    const char16_t* text;
    int width, height, fontHeight;
  };
  const Case cases[] = {{u"42", 16, 16, 14}, {u"100", 16, 16, 9}, {u"7", 24, 24, 20}, {u"55", 32, 32, 28}};
  IconMaker maker;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "text " << c.width << "x" << c.height);
    UniqueHicon icon = maker.Make(c.text, {c.width, c.height}, c.fontHeight, u"FFFFFF");
    ASSERT_TRUE(icon);
    IconPixels px = Read(icon.get());
    ASSERT_EQ(px.width, c.width);
    ASSERT_EQ(px.height, c.height);
    int minX = c.width, maxX = -1, minY = c.height, maxY = -1, opaque = 0;
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        size_t i = static_cast<size_t>(y) * c.width + x;
        if (px.transparent[i]) {
          // The AND/XOR rule shows the background only under black.
          EXPECT_EQ(px.color[i], 0u);
          continue;
        }
        ++opaque;
        EXPECT_EQ(px.color[i], 0xFFFFFFFFu); // white, alpha set, no smoothing
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
      }
    }
    ASSERT_GT(opaque, 4);
    EXPECT_TRUE(px.transparent[static_cast<size_t>(c.height - 1) * c.width]);
    EXPECT_LE(std::abs((minX + maxX + 1) - c.width), 3);
    EXPECT_LE(std::abs((minY + maxY + 1) - c.height), 4);
  }
}

TEST(Win32TrayIcon, TextInTheKeyColourLeavesNothingVisible) {
  IconMaker maker;
  UniqueHicon icon = maker.Make(u"50", {16, 16}, 14, TController::kKeyColorText);
  ASSERT_TRUE(icon);
  IconPixels px = Read(icon.get());
  for (bool t : px.transparent)
    EXPECT_TRUE(t);
}

TEST(Win32TrayIcon, PaintsInColorrefLayoutWithoutSmoothing) {
  Win32IconPainter painter;
  const Color orange = MakeColor(0xFF, 0x80, 0x00), blue = MakeColor(0x10, 0x20, 0xF0);
  Pixels px = painter.PaintText({16, 16}, orange, u"88", FontSpec{u"Tahoma", 14}, blue);
  ASSERT_EQ(px.size, (Size{16, 16}));
  ASSERT_EQ(px.data.size(), 256u);
  EXPECT_EQ(px.At(0, 15), 0x000080FFu);
  int text = 0;
  for (Color c : px.data) {
    EXPECT_TRUE(c == orange || c == blue) << std::hex << c;
    text += c == blue;
  }
  EXPECT_GT(text, 4);
  EXPECT_TRUE(painter.PaintText({0, 16}, orange, u"1", FontSpec{u"Tahoma", 14}, blue).data.empty());
  EXPECT_EQ(painter.CreateIcon(px, std::vector<bool>(255)), 0u); // a mask of another size
}

// Drawn over a dark background the way a taskbar draws it: no key colour may show.
TEST(Win32TrayIcon, KeyPixelsAreReallyTransparentOnADarkBackground) {
  IconMaker maker;
  UniqueHicon icon = maker.Make(u"42", {16, 16}, 14, u"FFFFFF");
  ASSERT_TRUE(icon);
  WindowDc screen(nullptr);
  UniqueHdc dc(::CreateCompatibleDC(screen.get()));
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = 16;
  bi.bmiHeader.biHeight = -16;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueGdiObj canvas(::CreateDIBSection(dc.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(canvas && bits);
  auto* pixels = static_cast<uint32_t*>(bits);
  const uint32_t dark = 0x202830;
  std::fill(pixels, pixels + 256, dark);
  HGDIOBJ old = ::SelectObject(dc.get(), canvas.get());
  ASSERT_TRUE(::DrawIconEx(dc.get(), 0, 0, icon.get(), 16, 16, 0, nullptr, DI_NORMAL));
  ::GdiFlush();
  int white = 0;
  for (int i = 0; i < 256; ++i) {
    const uint32_t p = pixels[i] & 0xFFFFFF;
    EXPECT_TRUE(p == dark || p == 0xFFFFFF) << i << ": " << std::hex << p;
    white += p == 0xFFFFFF;
  }
  EXPECT_GT(white, 4);
  ::SelectObject(dc.get(), old);
  // For a look with one's own eyes: LUMIVANE_ICON_BMP names a file to write the result to.
  if (const char* path = std::getenv("LUMIVANE_ICON_BMP")) {
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof bi.bmiHeader;
    file.bfSize = file.bfOffBits + 256 * 4;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
    std::vector<uint32_t> opaque(pixels, pixels + 256);
    for (uint32_t& p : opaque)
      p |= 0xFF000000u; // viewers honour the alpha byte
    out.write(reinterpret_cast<const char*>(opaque.data()), 256 * 4);
  }
}

TEST(Win32TrayIcon, MeasuresTextAndTheIconSizeForTheWindow) {
  Win32Host host(::GetModuleHandleW(nullptr));
  Win32TextMetrics metrics(host.Window());
  Size icon = metrics.SmallIconSizeForSettingsWindow();
  EXPECT_GE(icon.width, 16);
  EXPECT_GE(icon.height, 16);
  EXPECT_EQ(metrics.SmallIconSize(),
            (Size{::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON)}));
  if (::GetDeviceCaps(WindowDc(nullptr).get(), LOGPIXELSX) == 96) {
    EXPECT_EQ(icon, metrics.SmallIconSize());
  }
  int zero = metrics.TextWidth(u"0", FontSpec{u"Tahoma", 16});
  int hundred = metrics.TextWidth(u"100", FontSpec{u"Tahoma", 16});
  EXPECT_GT(zero, 0);
  EXPECT_GT(hundred, 2 * zero); // "1" is narrower than "0" in no common face by half
  EXPECT_LT(metrics.TextWidth(u"100", FontSpec{u"Tahoma", 8}), hundred);
  EXPECT_EQ(metrics.TextWidth(u"", FontSpec{u"Tahoma", 16}), 0);
}

class Win32TrayTest : public ::testing::Test {
 protected:
  // A fresh icon the caller owns, as the painter hands it out.
  IconHandle NewIcon(const std::u16string& text = u"42") {
    return reinterpret_cast<IconHandle>(maker.Make(text, {16, 16}, 14, u"FFFFFF").release());
  }
  Win32Host host{::GetModuleHandleW(nullptr)};
  FakeShellTray shell;
  IconMaker maker;
};

TEST_F(Win32TrayTest, AddsModifiesAndRemovesTheIcon) {
  {
    Win32Tray tray(host.Window(), ::GetModuleHandleW(nullptr));
    EXPECT_FALSE(tray.IsVisible());
    EXPECT_TRUE(tray.CurrentIcon());
    EXPECT_TRUE(tray.SetIcon(NewIcon(u"35"), u"35")); // not shown yet: nothing goes to the shell
    EXPECT_TRUE(shell.requests.empty());
    tray.SetVisible(true);
    EXPECT_TRUE(tray.IsVisible());
    EXPECT_TRUE(tray.SetIcon(NewIcon(u"40"), u"40"));
    tray.ShowApplicationIcon();
    tray.SetVisible(false);
    EXPECT_FALSE(tray.IsVisible());
    tray.SetVisible(true);
  } // the destructor removes a visible icon
  std::vector<DWORD> expected{NIM_ADD, NIM_MODIFY, NIM_MODIFY, NIM_DELETE, NIM_ADD, NIM_DELETE};
  EXPECT_EQ(shell.requests, expected);
}

TEST_F(Win32TrayTest, ARefusedAddStaysInvisibleSoThatItIsTriedAgain) {
  Win32Tray tray(host.Window(), ::GetModuleHandleW(nullptr));
  shell.accept = false;
  tray.SetVisible(true);
  EXPECT_FALSE(tray.IsVisible());
  shell.accept = true;
  tray.SetVisible(true);
  EXPECT_TRUE(tray.IsVisible());
}

TEST_F(Win32TrayTest, SetIconSetsTheTipAndReplacesTheImage) {
  Win32Tray tray(host.Window(), ::GetModuleHandleW(nullptr));
  EXPECT_EQ(tray.Tip(), L"Lumivane");
  HICON before = tray.CurrentIcon();
  const IconHandle text = NewIcon(u"73");
  ASSERT_TRUE(tray.SetIcon(text, u"73"));
  EXPECT_EQ(tray.Tip(), L"73");
  EXPECT_EQ(reinterpret_cast<IconHandle>(tray.CurrentIcon()), text);
  EXPECT_FALSE(IconAlive(before)); // the old image was destroyed
  maker.controller->Form.fontval.Select(u"Arial");
  ASSERT_TRUE(tray.SetIcon(reinterpret_cast<IconHandle>(maker.Make(u"74", {16, 16}, 14, u"00FF00").release()),
                           u"74"));
  EXPECT_FALSE(IconAlive(reinterpret_cast<HICON>(text)));
  IconPixels px = Read(tray.CurrentIcon());
  int green = 0;
  for (uint32_t c : px.color)
    green += c == 0xFF00FF00u;
  EXPECT_GT(green, 0);
  tray.ShowApplicationIcon();
  EXPECT_EQ(tray.Tip(), L"Lumivane");
  EXPECT_FALSE(tray.SetIcon(0, u"1"));
}

// The rest of a refused change (who owns which icon) is the tray contract's.
TEST_F(Win32TrayTest, ARefusedChangeKeepsTheShownImageAndTipForTheShellThatComesBack) {
  Win32Tray tray(host.Window(), ::GetModuleHandleW(nullptr));
  tray.SetVisible(true);
  ASSERT_TRUE(tray.SetIcon(NewIcon(u"50"), u"50"));
  HICON shown = tray.CurrentIcon();
  shell.accept = false;
  const IconHandle refused = NewIcon(u"45");
  EXPECT_FALSE(tray.SetIcon(refused, u"45"));
  EXPECT_EQ(tray.CurrentIcon(), shown);
  EXPECT_EQ(tray.Tip(), L"50");
  maker.painter.DestroyIcon(refused);
  shell.accept = true;
  shell.requests.clear();
  EXPECT_TRUE(tray.Refresh());
  EXPECT_EQ(shell.requests, std::vector<DWORD>{NIM_MODIFY});
  EXPECT_EQ(tray.CurrentIcon(), shown);
  EXPECT_EQ(tray.Tip(), L"50");
}

// GDI objects of this process. Wine answers GetGuiResources with ERROR_CALL_NOT_IMPLEMENTED;
// there a GDI handle's low word indexes the process's handle table, so the live entries are
// counted instead.
DWORD GdiObjects() {
  ::SetLastError(0);
  DWORD count = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
  if (count != 0 || ::GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return count;
  for (UINT_PTR index = 1; index < 0x10000; ++index)
    count += ::GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
  return count;
}

// Records every icon the painter hands out, to check afterwards that each one but the tray's
// current image is really gone (USER objects cannot be counted under Wine).
class RecordingPainter final : public IIconPainter {
 public:
  Pixels PaintText(Size size, Color background, const std::u16string& text, const FontSpec& font,
                   Color textColor) override {
    return real.PaintText(size, background, text, font, textColor);
  }
  IconHandle CreateIcon(const Pixels& colour, const std::vector<bool>& mask) override {
    IconHandle icon = real.CreateIcon(colour, mask);
    created.push_back(icon);
    return icon;
  }
  void DestroyIcon(IconHandle icon) override { real.DestroyIcon(icon); }
  Win32IconPainter real;
  std::vector<IconHandle> created;
};

TEST_F(Win32TrayTest, TenThousandRedrawsLeaveGdiAndUserObjectsFlat) {
  Win32Tray tray(host.Window(), ::GetModuleHandleW(nullptr));
  tray.SetVisible(true);
  Win32TextMetrics metrics(host.Window());
  RecordingPainter painter;
  SimulatedRest rest;
  Platform ports = rest.sim.Ports();
  ports.tray = &tray;
  ports.textMetrics = &metrics;
  ports.iconPainter = &painter;
  TController controller(ports);
  controller.Rend();
  ASSERT_GT(controller.FontHeight2Digits, 0);

  auto redraw = [&](int n) {
    const int value = n % 101;
    controller.IconFontHeight = value == 100 ? controller.FontHeight100 : controller.FontHeight2Digits;
    // Every tenth change the shell refuses: the controller destroys the icon it made.
    shell.accept = n % 10 != 9;
    const bool shown = controller.UpdateTrayIconText(Variant::Narrow(value).Text());
    if (shown != shell.accept) ADD_FAILURE() << "redraw " << n;
  };
  for (int n = 0; n < 200; ++n) // caches (fonts, the shell's copy) settle first
    redraw(n);
  const DWORD gdiBefore = GdiObjects();
  const DWORD userBefore = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
  painter.created.clear();
  for (int n = 200; n < 10200; ++n)
    redraw(n);
  EXPECT_LE(GdiObjects(), gdiBefore + 2) << "before " << gdiBefore;
  EXPECT_LE(::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS), userBefore + 2);
  ASSERT_EQ(painter.created.size(), 10000u);
  const IconHandle current = reinterpret_cast<IconHandle>(tray.CurrentIcon());
  int alive = 0;
  for (IconHandle icon : std::set<IconHandle>(painter.created.begin(), painter.created.end()))
    alive += icon != current && IconAlive(reinterpret_cast<HICON>(icon));
  EXPECT_EQ(alive, 0);
  shell.accept = true;
}

} // namespace
} // namespace lumivane::win32

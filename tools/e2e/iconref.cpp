// Draws the tray digits the way the program should, with the program's own painter and the fit
// that the icon's width allows, and prints where the text pixels are: one row per line, '#' for
// a text pixel and '.' for the background, cut to the rows and columns that hold text.
//   iconref TEXT [FONT]     FONT defaults to Tahoma, the program's default icon font
// The checks compare this with the icon's pixels in a screenshot, so that they read which number
// the icon shows.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "../../src/platform/win32/Win32IconPainter.h"
#include "../../src/platform/win32/Win32TextMetrics.h"

namespace {

std::u16string ToU16(const std::wstring& text) {
  return std::u16string(text.begin(), text.end());
}

// The largest height at which the text fits the icon's width: "100" on its own, every other
// value as two "0" side by side.
int FittedHeight(const lumivane::ITextMetrics& metrics, const std::u16string& text,
                 const std::u16string& font) {
  const lumivane::Size icon = metrics.SmallIconSizeForSettingsWindow();
  for (int size = icon.height; size >= 1; --size) {
    const int width =
        text == u"100" ? metrics.TextWidth(u"100", {font, size}) : 2 * metrics.TextWidth(u"0", {font, size});
    if (width <= icon.width) return size;
  }
  return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fwprintf(stderr, L"usage: iconref TEXT [FONT]\n");
    return 64;
  }
  const std::u16string text = ToU16(argv[1]);
  const std::u16string font = ToU16(argc > 2 ? argv[2] : L"Tahoma");
  lumivane::win32::Win32TextMetrics metrics(nullptr); // the screen, at the system DPI
  lumivane::win32::Win32IconPainter painter;
  const lumivane::Color key = lumivane::MakeColor(0x96, 0x36, 0xA7);
  const lumivane::Color white = lumivane::MakeColor(0xFF, 0xFF, 0xFF);
  const lumivane::Pixels image =
      painter.PaintText(metrics.SmallIconSize(), key, text, {font, FittedHeight(metrics, text, font)}, white);
  if (image.data.empty()) {
    std::fwprintf(stderr, L"iconref: nothing painted\n");
    return 1;
  }
  int left = image.size.width, right = -1, top = image.size.height, bottom = -1;
  for (int y = 0; y < image.size.height; ++y)
    for (int x = 0; x < image.size.width; ++x)
      if (image.At(x, y) != key) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
  for (int y = top; y <= bottom; ++y) {
    std::string row;
    for (int x = left; x <= right; ++x)
      row.push_back(image.At(x, y) != key ? '#' : '.');
    std::printf("%s\n", row.c_str());
  }
  return 0;
}

// The tray digits: fitting the font to the icon, painting, and installing the image.
#include <string>
#include <vector>

#include "assoc/StrUtilsEx.h"
#include "controller/MainForm.h"

namespace lumivane {

namespace {
int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

} // namespace

uint32_t HexToColor(const std::u16string& text) {
  if (text.empty()) return 0;
  uint32_t rgb = 0;
  for (char16_t c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) return 0;
    rgb = (rgb << 4) | static_cast<uint32_t>(digit);
    // Leading zeros keep it small; anything past six significant digits is out of range.
    if (rgb > 0xFFFFFF) return 0;
  }
  return MakeColor(static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                   static_cast<uint8_t>(rgb));
}

std::u16string ColorToHex(uint32_t color) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  const uint8_t parts[] = {static_cast<uint8_t>(color), static_cast<uint8_t>(color >> 8),
                           static_cast<uint8_t>(color >> 16)};
  std::u16string text;
  for (uint8_t part : parts) {
    text += kDigits[part >> 4];
    text += kDigits[part & 0xF];
  }
  return text;
}

void TController::Rend() {
  FontHeight2Digits = 0;
  FontHeight100 = 0;
  ITextMetrics* metrics = platform_.textMetrics;
  if (!metrics) return;
  const Size icon = metrics->SmallIconSizeForSettingsWindow();
  // Only widths are tested; the icon height bounds the search.
  for (int size = icon.height; size >= 1; --size) {
    if (metrics->TextWidth(u"100", FontSpec{IconFontName(), size}) <= icon.width) {
      FontHeight100 = size;
      break;
    }
  }
  for (int size = icon.height; size >= 1; --size) {
    if (2 * metrics->TextWidth(u"0", FontSpec{IconFontName(), size}) <= icon.width) {
      FontHeight2Digits = size;
      break;
    }
  }
}

IconHandle TController::CreateTextIcon(const std::u16string& text) {
  ITextMetrics* metrics = platform_.textMetrics;
  IIconPainter* painter = platform_.iconPainter;
  if (!metrics || !painter) return 0;
  // The bitmap has the system-wide size even where the fitting used the window's DPI.
  const Size size = metrics->SmallIconSize();
  const Pixels image =
      painter->PaintText(size, HexToColor(kKeyColorText), text, FontSpec{IconFontName(), IconFontHeight},
                         HexToColor(TrimBlanks(ColorText())));
  const size_t count = image.size.width > 0 && image.size.height > 0
                           ? static_cast<size_t>(image.size.width) * image.size.height
                           : 0;
  if (count == 0 || image.data.size() != count) return 0;
  // Transparent where the pixel has the bottom-left one's colour: the key colour, unless a glyph
  // covers that corner.
  const Color corner = image.At(0, image.size.height - 1);
  std::vector<bool> mask(count);
  for (size_t i = 0; i < count; ++i)
    mask[i] = image.data[i] == corner;
  return painter->CreateIcon(image, mask);
}

bool TController::UpdateTrayIconText(const std::u16string& AText) {
  const IconHandle icon = CreateTextIcon(AText);
  if (!icon) return false;
  if (platform_.tray->SetIcon(icon, AText)) return true;
  platform_.iconPainter->DestroyIcon(icon);
  return false;
}

void TController::WMDpiChanged() {
  if (RunState > 0) MenuRebuildRequested = true;
}

} // namespace lumivane

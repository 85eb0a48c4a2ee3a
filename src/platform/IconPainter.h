#pragma once
// Text measuring and painting for the tray digits.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Geometry.h"
#include "platform/Tray.h"

namespace lumivane {

// A colour in the platform's COLORREF layout: red in the low byte, then green, then blue.
using Color = uint32_t;
constexpr Color MakeColor(uint8_t r, uint8_t g, uint8_t b) {
  return Color{r} | (Color{g} << 8) | (Color{b} << 16);
}

// A font request: face name and cell height in pixels (0: the font mapper's default size).
struct FontSpec {
  std::u16string name;
  int height = 0;
  bool operator==(const FontSpec&) const = default;
};

// Widths are measured where the settings window is, at that window's DPI.
class ITextMetrics {
 public:
  virtual ~ITextMetrics() = default;
  // SM_CXSMICON x SM_CYSMICON, system-wide.
  virtual Size SmallIconSize() const = 0;
  // The same for the settings window's DPI where the system has per-monitor DPI (v2);
  // otherwise the system-wide size.
  virtual Size SmallIconSizeForSettingsWindow() const = 0;
  // Width in pixels of text in font, in the settings window's device context.
  virtual int TextWidth(const std::u16string& text, const FontSpec& font) const = 0;
};

// A 32-bit image, row by row from the top, each pixel a Color.
struct Pixels {
  Size size;
  std::vector<Color> data;
  Color At(int x, int y) const { return data[static_cast<size_t>(y) * size.width + x]; }
};

class IIconPainter {
 public:
  virtual ~IIconPainter() = default;
  // A size-sized bitmap filled with background, with text drawn over it without a background
  // box: single line, centred both ways, not anti-aliased, clipped to the bitmap. An empty
  // image on failure.
  virtual Pixels PaintText(Size size, Color background, const std::u16string& text, const FontSpec& font,
                           Color textColor) = 0;
  // An icon from the colour image and a mask of the same size (true: transparent). 0 on failure.
  virtual IconHandle CreateIcon(const Pixels& colour, const std::vector<bool>& mask) = 0;
  virtual void DestroyIcon(IconHandle icon) = 0;
};

} // namespace lumivane

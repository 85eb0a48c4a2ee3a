#pragma once
// A text measurer with made-up but fixed glyph widths, and settable small-icon sizes.
#include <string>

#include "platform/IconPainter.h"

namespace lumivane {

class SimTextMetrics final : public ITextMetrics {
 public:
  // The cell height the font mapper picks for a request of height 0.
  static constexpr int kDefaultFontHeight = 13;

  Size SmallIconSize() const override { return systemIcon_; }
  Size SmallIconSizeForSettingsWindow() const override { return windowIcon_; }
  // The sum of GlyphWidth over the text's code units.
  int TextWidth(const std::u16string& text, const FontSpec& font) const override;

  // Every glyph of a face is as wide as ceil(height x the face's width factor): Arial 0.56,
  // Tahoma 0.55, Trebuchet MS 0.53, any other face 0.5. A height of 0 measures as
  // kDefaultFontHeight, a negative one by its magnitude.
  static int GlyphWidth(const FontSpec& font);
  static int CellHeight(int requestedHeight);

  // The system-wide size, and the size at the settings window's DPI (both 16 x 16 at start).
  void SetSmallIconSize(Size size) { systemIcon_ = size; }
  void SetSettingsWindowIconSize(Size size) { windowIcon_ = size; }
  int Measurements() const { return measurements_; } // TextWidth calls so far

 private:
  Size systemIcon_{16, 16};
  Size windowIcon_{16, 16};
  mutable int measurements_ = 0;
};

} // namespace lumivane

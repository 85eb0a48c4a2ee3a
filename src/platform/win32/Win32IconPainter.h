#pragma once
#include <windows.h>

#include "platform/IconPainter.h"

namespace lumivane::win32 {

// GDI painting into 32-bit top-down DIB sections, and icons from CreateIconIndirect.
class Win32IconPainter final : public IIconPainter {
 public:
  Pixels PaintText(Size size, Color background, const std::u16string& text, const FontSpec& font,
                   Color textColor) override;
  // Opaque pixels get a full alpha; transparent ones are black with zero alpha, so that the
  // alpha rule and the AND/XOR rule both show the background there.
  IconHandle CreateIcon(const Pixels& colour, const std::vector<bool>& mask) override;
  void DestroyIcon(IconHandle icon) override;
};

} // namespace lumivane::win32

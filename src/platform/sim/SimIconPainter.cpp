#include "platform/sim/SimIconPainter.h"

#include <algorithm>

#include "platform/sim/SimTextMetrics.h"

namespace lumivane {

Pixels SimIconPainter::PaintText(Size size, Color background, const std::u16string& text,
                                 const FontSpec& font, Color textColor) {
  last_ = Painting{size, background, text, font, textColor};
  ++paints_;
  if (size.width <= 0 || size.height <= 0) return {};
  Pixels image;
  image.size = size;
  image.data.assign(static_cast<size_t>(size.width) * size.height, background);

  const int glyph = SimTextMetrics::GlyphWidth(font);
  const int cell = SimTextMetrics::CellHeight(font.height);
  const int lineWidth = glyph * static_cast<int>(text.size());
  const int left = (size.width - lineWidth) / 2;
  const int top = (size.height - cell) / 2;
  const int y0 = std::max(top, 0), y1 = std::min(top + cell, size.height);
  for (size_t g = 0; g < text.size(); ++g) {
    if (text[g] == u' ') continue; // a blank takes its room and draws nothing
    const int gl = left + static_cast<int>(g) * glyph;
    const int x0 = std::max(gl, 0), x1 = std::min(gl + glyph, size.width);
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        image.data[static_cast<size_t>(y) * size.width + x] = textColor;
  }
  return image;
}

IconHandle SimIconPainter::CreateIcon(const Pixels& colour, const std::vector<bool>& mask) {
  const size_t count = static_cast<size_t>(std::max(colour.size.width, 0)) * std::max(colour.size.height, 0);
  if (failCreate_ || count == 0 || colour.data.size() != count || mask.size() != count) return 0;
  const IconHandle handle = next_++;
  icons_[handle] = Icon{colour, mask, last_};
  ++created_;
  return handle;
}

void SimIconPainter::DestroyIcon(IconHandle icon) {
  if (icons_.erase(icon))
    ++destroyed_;
  else
    ++badDestroys_;
}

const SimIconPainter::Icon* SimIconPainter::Find(IconHandle icon) const {
  auto it = icons_.find(icon);
  return it == icons_.end() ? nullptr : &it->second;
}

} // namespace lumivane

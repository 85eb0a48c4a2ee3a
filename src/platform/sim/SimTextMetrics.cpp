#include "platform/sim/SimTextMetrics.h"

#include <cstdlib>

namespace lumivane {

namespace {
// Width per 100 pixels of cell height.
int WidthPercent(const std::u16string& face) {
  if (face == u"Arial") return 56;
  if (face == u"Tahoma") return 55;
  if (face == u"Trebuchet MS") return 53;
  return 50;
}
} // namespace

int SimTextMetrics::CellHeight(int requestedHeight) {
  return requestedHeight == 0 ? kDefaultFontHeight : std::abs(requestedHeight);
}

int SimTextMetrics::GlyphWidth(const FontSpec& font) {
  return (CellHeight(font.height) * WidthPercent(font.name) + 99) / 100;
}

int SimTextMetrics::TextWidth(const std::u16string& text, const FontSpec& font) const {
  ++measurements_;
  return static_cast<int>(text.size()) * GlyphWidth(font);
}

} // namespace lumivane

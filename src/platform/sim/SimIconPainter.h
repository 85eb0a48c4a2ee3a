#pragma once
// A canvas that draws each glyph as a solid block, and icons kept as plain records so that a
// test can read them back and see that none is leaked or destroyed twice.
#include <map>
#include <string>
#include <vector>

#include "platform/IconPainter.h"

namespace lumivane {

class SimIconPainter final : public IIconPainter {
 public:
  // What a PaintText call was asked to draw.
  struct Painting {
    Size size;
    Color background = 0;
    std::u16string text;
    FontSpec font;
    Color textColor = 0;
  };
  struct Icon {
    Pixels colour;
    std::vector<bool> mask;
    Painting painting; // the painting made last before the icon
  };

  // Fills the image with background, then draws text as one line of glyph blocks, each
  // SimTextMetrics::GlyphWidth wide and the font's cell height high, the line centred both ways
  // (as DT_CENTER | DT_VCENTER place it) and clipped to the image. A blank draws nothing.
  Pixels PaintText(Size size, Color background, const std::u16string& text, const FontSpec& font,
                   Color textColor) override;
  // 0 for an empty image, a mask of another size, or while failing.
  IconHandle CreateIcon(const Pixels& colour, const std::vector<bool>& mask) override;
  void DestroyIcon(IconHandle icon) override;

  void SetFailCreate(bool fail) { failCreate_ = fail; }

  const Icon* Find(IconHandle icon) const; // null unless icon is alive
  size_t LiveIcons() const { return icons_.size(); }
  int Created() const { return created_; }
  int Destroyed() const { return destroyed_; }
  int BadDestroys() const { return badDestroys_; } // handles that were not alive
  int Paints() const { return paints_; }
  const Painting& LastPainting() const { return last_; }

 private:
  std::map<IconHandle, Icon> icons_;
  Painting last_;
  IconHandle next_ = 0x1000;
  bool failCreate_ = false;
  int paints_ = 0, created_ = 0, destroyed_ = 0, badDestroys_ = 0;
};

} // namespace lumivane

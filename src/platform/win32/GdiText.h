#pragma once
// Small GDI helpers shared by the text measurer and the icon painter.
#include <windows.h>

#include <string>

#include "platform/win32/UniqueHandles.h"

namespace lumivane::win32 {

// Selects an object into a DC for as long as it lives.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  ~Selection() {
    if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  bool ok() const { return old_ && old_ != HGDI_ERROR; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// The digits' font: face and cell height (0: the mapper's default), never anti-aliased, so
// that every text pixel has exactly the text colour.
inline UniqueGdiObj IconFont(const std::wstring& face, int height) {
  return UniqueGdiObj(::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                    DEFAULT_PITCH, face.c_str()));
}

} // namespace lumivane::win32

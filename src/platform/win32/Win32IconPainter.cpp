#include "platform/win32/Win32IconPainter.h"

#include <cstdint>
#include <vector>

#include "platform/win32/GdiText.h"
#include "platform/win32/Win32Locale.h"

namespace lumivane::win32 {

namespace {

// DIB pixels are 0xAARRGGBB; a COLORREF is 0x00BBGGRR.
uint32_t ToDibPixel(Color c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
Color FromDibPixel(uint32_t p) {
  return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
}

UniqueGdiObj TopDownDib(HDC dc, Size size, void*& bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size.width;
  info.bmiHeader.biHeight = -size.height; // row 0 is the top row
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  bits = nullptr;
  UniqueGdiObj bitmap(::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bits) bitmap.reset();
  return bitmap;
}

size_t PixelCount(Size size) {
  return size.width > 0 && size.height > 0 ? static_cast<size_t>(size.width) * size.height : 0;
}

} // namespace

Pixels Win32IconPainter::PaintText(Size size, Color background, const std::u16string& text,
                                   const FontSpec& font, Color textColor) {
  const size_t count = PixelCount(size);
  if (count == 0) return {};
  UniqueHdc dc(::CreateCompatibleDC(nullptr)); // a memory DC like the screen
  if (!dc) return {};
  void* bits = nullptr;
  UniqueGdiObj bitmap = TopDownDib(dc.get(), size, bits);
  UniqueGdiObj face = IconFont(ToWide(font.name), font.height);
  UniqueGdiObj brush(::CreateSolidBrush(background));
  if (!bitmap || !face || !brush) return {};
  {
    Selection selectedBitmap(dc.get(), bitmap.get());
    Selection selectedFont(dc.get(), face.get());
    if (!selectedBitmap.ok() || !selectedFont.ok()) return {};
    RECT rc{0, 0, size.width, size.height};
    ::FillRect(dc.get(), &rc, static_cast<HBRUSH>(brush.get()));
    ::SetBkMode(dc.get(), TRANSPARENT); // no background box behind the text
    ::SetTextColor(dc.get(), textColor);
    const std::wstring wide = ToWide(text);
    ::DrawTextW(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &rc,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    ::GdiFlush();
  }
  Pixels out;
  out.size = size;
  out.data.resize(count);
  const auto* dib = static_cast<const uint32_t*>(bits);
  for (size_t i = 0; i < count; ++i)
    out.data[i] = FromDibPixel(dib[i]);
  return out;
}

IconHandle Win32IconPainter::CreateIcon(const Pixels& colour, const std::vector<bool>& mask) {
  const size_t count = PixelCount(colour.size);
  if (count == 0 || colour.data.size() != count || mask.size() != count) return 0;
  const int width = colour.size.width, height = colour.size.height;
  void* bits = nullptr;
  UniqueGdiObj colourBitmap = TopDownDib(nullptr, colour.size, bits);
  if (!colourBitmap) return 0;
  auto* dib = static_cast<uint32_t*>(bits);
  const int stride = ((width + 15) / 16) * 2; // monochrome rows are WORD-aligned
  std::vector<uint8_t> maskBits(static_cast<size_t>(stride) * height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const size_t i = static_cast<size_t>(y) * width + x;
      if (mask[i]) {
        maskBits[static_cast<size_t>(y) * stride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        dib[i] = 0;
      } else {
        dib[i] = 0xFF000000u | ToDibPixel(colour.data[i]);
      }
    }
  }
  ::GdiFlush();
  UniqueGdiObj maskBitmap(::CreateBitmap(width, height, 1, 1, maskBits.data()));
  if (!maskBitmap) return 0;
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmMask = static_cast<HBITMAP>(maskBitmap.get());
  info.hbmColor = static_cast<HBITMAP>(colourBitmap.get());
  // The icon copies both bitmaps; ours go at the end of the scope.
  return reinterpret_cast<IconHandle>(::CreateIconIndirect(&info));
}

void Win32IconPainter::DestroyIcon(IconHandle icon) {
  if (icon) ::DestroyIcon(reinterpret_cast<HICON>(icon));
}

} // namespace lumivane::win32

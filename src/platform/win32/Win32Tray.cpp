#include "platform/win32/Win32Tray.h"

#include <cwchar>
#include <vector>

#include "platform/win32/Messages.h"
#include "platform/win32/Win32Host.h"
#include "platform/win32/Win32Locale.h"

namespace lumivane::win32 {

namespace {

// Selects an object into a DC for as long as it lives.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  ~Selection() {
    if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

UniqueGdiObj IconFont(const std::wstring& fontName, int height) {
  return UniqueGdiObj(::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                    DEFAULT_PITCH, fontName.c_str()));
}

UniqueHicon LoadApplicationIcon(HINSTANCE instance) {
  int cx = ::GetSystemMetrics(SM_CXSMICON), cy = ::GetSystemMetrics(SM_CYSMICON);
  HICON icon = static_cast<HICON>(
      ::LoadImageW(instance, MAKEINTRESOURCEW(kAppIconId), IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR));
  // Without our resource (a test executable) the system's generic icon stands in; a copy, because
  // a shared icon must not be destroyed.
  if (!icon) icon = ::CopyIcon(::LoadIconW(nullptr, IDI_APPLICATION));
  return UniqueHicon(icon);
}

} // namespace

Win32Tray::Win32Tray(HWND window, HINSTANCE instance) : window_(window), instance_(instance) {
  data_.cbSize = sizeof data_;
  data_.hWnd = window_;
  data_.uID = kTrayIconId;
  data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data_.uCallbackMessage = kMsgTrayCallback;
  SetImage(LoadApplicationIcon(instance_), kAppCaption);
}

Win32Tray::~Win32Tray() {
  if (visible_) Notify(NIM_DELETE);
}

void Win32Tray::SetTextStyle(const std::wstring& fontName, COLORREF textColor) {
  fontName_ = fontName;
  textColor_ = textColor;
}

void Win32Tray::ShowText(const std::u16string& text, int fontHeight) {
  std::wstring wide = ToWide(text);
  UniqueHicon icon = CreateTextIcon(wide, fontName_, fontHeight, textColor_, ::GetSystemMetrics(SM_CXSMICON),
                                    ::GetSystemMetrics(SM_CYSMICON));
  SetImage(std::move(icon), wide);
}

void Win32Tray::ShowApplicationIcon() {
  SetImage(LoadApplicationIcon(instance_), kAppCaption);
}

void Win32Tray::SetImage(UniqueHicon icon, const std::wstring& tip) {
  tip_ = tip;
  std::wcsncpy(data_.szTip, tip_.c_str(), std::size(data_.szTip) - 1);
  data_.szTip[std::size(data_.szTip) - 1] = L'\0';
  if (icon) {
    // The shell copies the image; the old one can go once the new one is in place.
    UniqueHicon old = std::exchange(icon_, std::move(icon));
    data_.hIcon = icon_.get();
    if (visible_) Notify(NIM_MODIFY);
  } else if (visible_) {
    Notify(NIM_MODIFY);
  }
}

void Win32Tray::SetVisible(bool visible) {
  if (visible == visible_) return;
  if (visible) {
    visible_ = Notify(NIM_ADD);
  } else {
    Notify(NIM_DELETE);
    visible_ = false;
  }
}

void Win32Tray::OnTaskbarCreated() {
  if (!visible_) return;
  if (!Notify(NIM_ADD)) Notify(NIM_MODIFY);
}

bool Win32Tray::Refresh() {
  return visible_ && Notify(NIM_MODIFY);
}

bool Win32Tray::Notify(DWORD message) {
  return ::Shell_NotifyIconW(message, &data_) != FALSE;
}

UniqueHicon Win32Tray::CreateTextIcon(const std::wstring& text, const std::wstring& fontName, int fontHeight,
                                      COLORREF textColor, int width, int height) {
  if (width <= 0 || height <= 0) return {};
  UniqueHdc dc;
  if (WindowDc screen(nullptr); screen) dc.reset(::CreateCompatibleDC(screen.get()));
  if (!dc) return {};

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height; // top-down: row 0 is the top row
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueGdiObj color(::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!color || !bits) return {};
  UniqueGdiObj font = IconFont(fontName, fontHeight);
  if (!font) return {};
  {
    Selection bitmap(dc.get(), color.get());
    UniqueGdiObj key(::CreateSolidBrush(kKeyColor));
    RECT rc{0, 0, width, height};
    ::FillRect(dc.get(), &rc, static_cast<HBRUSH>(key.get()));
    Selection selectedFont(dc.get(), font.get());
    ::SetBkMode(dc.get(), TRANSPARENT);
    ::SetTextColor(dc.get(), textColor);
    ::DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &rc,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    ::GdiFlush();
  }

  // Mask bit set = transparent, where the pixel has the colour of the bottom-left one. Those
  // pixels become black with zero alpha and the rest opaque, so both the alpha rule and the
  // AND/XOR rule draw the same picture.
  auto* pixels = static_cast<uint32_t*>(bits);
  const uint32_t keyPixel = pixels[static_cast<size_t>(height - 1) * width] & 0x00FFFFFF;
  const int stride = ((width + 15) / 16) * 2; // monochrome rows are WORD-aligned
  std::vector<uint8_t> maskBits(static_cast<size_t>(stride) * height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t& p = pixels[static_cast<size_t>(y) * width + x];
      if ((p & 0x00FFFFFF) == keyPixel) {
        maskBits[static_cast<size_t>(y) * stride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        p = 0;
      } else {
        p |= 0xFF000000;
      }
    }
  }
  UniqueGdiObj mask(::CreateBitmap(width, height, 1, 1, maskBits.data()));
  if (!mask) return {};
  ICONINFO iconInfo{};
  iconInfo.fIcon = TRUE;
  iconInfo.hbmMask = static_cast<HBITMAP>(mask.get());
  iconInfo.hbmColor = static_cast<HBITMAP>(color.get());
  return UniqueHicon(::CreateIconIndirect(&iconInfo));
}

SIZE Win32Tray::SmallIconSizeFor(HWND window) {
  // Resolved at run time: the 32-bit program also starts on systems older than Windows 10 1607.
  using DpiForWindowFn = UINT(WINAPI*)(HWND);
  using MetricsForDpiFn = int(WINAPI*)(int, UINT);
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  // Through void*: FARPROC has neither signature, and a direct cast between them warns.
  auto dpiForWindow = user32 ? reinterpret_cast<DpiForWindowFn>(
                                   reinterpret_cast<void*>(::GetProcAddress(user32, "GetDpiForWindow")))
                             : nullptr;
  auto metricsForDpi = user32 ? reinterpret_cast<MetricsForDpiFn>(reinterpret_cast<void*>(
                                    ::GetProcAddress(user32, "GetSystemMetricsForDpi")))
                              : nullptr;
  UINT dpi = dpiForWindow && window ? dpiForWindow(window) : 0;
  if (metricsForDpi && dpi != 0)
    return SIZE{metricsForDpi(SM_CXSMICON, dpi), metricsForDpi(SM_CYSMICON, dpi)};
  return SIZE{::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON)};
}

int Win32Tray::TextWidth(HWND window, const std::wstring& fontName, int height, const std::wstring& text) {
  WindowDc dc(window);
  UniqueGdiObj font = IconFont(fontName, height);
  if (!dc || !font) return 0;
  Selection selected(dc.get(), font.get());
  SIZE size{};
  if (!::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size)) return 0;
  return size.cx;
}

} // namespace lumivane::win32

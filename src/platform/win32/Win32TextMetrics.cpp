#include "platform/win32/Win32TextMetrics.h"

#include "platform/win32/GdiText.h"
#include "platform/win32/Win32Host.h"
#include "platform/win32/Win32Locale.h"

namespace lumivane::win32 {

namespace {
void* Export(HMODULE module, const char* name) {
  return module ? reinterpret_cast<void*>(::GetProcAddress(module, name)) : nullptr;
}
} // namespace

Size Win32TextMetrics::SmallIconSize() const {
  return Size{::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON)};
}

Size Win32TextMetrics::SmallIconSizeForSettingsWindow() const {
  // Resolved at run time: the 32-bit program also starts on systems older than Windows 10 1607.
  using DpiForWindowFn = UINT(WINAPI*)(HWND);
  using MetricsForDpiFn = int(WINAPI*)(int, UINT);
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  auto dpiForWindow = reinterpret_cast<DpiForWindowFn>(Export(user32, "GetDpiForWindow"));
  auto metricsForDpi = reinterpret_cast<MetricsForDpiFn>(Export(user32, "GetSystemMetricsForDpi"));
  UINT dpi = dpiForWindow && window_ ? dpiForWindow(window_) : 0;
  if (metricsForDpi && dpi != 0)
    return Size{metricsForDpi(SM_CXSMICON, dpi), metricsForDpi(SM_CYSMICON, dpi)};
  return SmallIconSize();
}

int Win32TextMetrics::TextWidth(const std::u16string& text, const FontSpec& font) const {
  WindowDc dc(window_);
  UniqueGdiObj face = IconFont(ToWide(font.name), font.height);
  if (!dc || !face) return 0;
  Selection selected(dc.get(), face.get());
  const std::wstring wide = ToWide(text);
  SIZE size{};
  if (!::GetTextExtentPoint32W(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &size)) return 0;
  return size.cx;
}

} // namespace lumivane::win32

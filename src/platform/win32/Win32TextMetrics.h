#pragma once
#include <windows.h>

#include "platform/IconPainter.h"

namespace lumivane::win32 {

// Measures in the settings window's device context and at its DPI.
class Win32TextMetrics final : public ITextMetrics {
 public:
  explicit Win32TextMetrics(HWND settingsWindow) : window_(settingsWindow) {}

  Size SmallIconSize() const override;
  // GetSystemMetricsForDpi at GetDpiForWindow where the system has them (Windows 10 1607 on).
  Size SmallIconSizeForSettingsWindow() const override;
  // 0 when the font or the device context cannot be had.
  int TextWidth(const std::u16string& text, const FontSpec& font) const override;

 private:
  HWND window_;
};

} // namespace lumivane::win32

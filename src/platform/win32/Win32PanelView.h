#pragma once
#include <windows.h>

#include "platform/PanelView.h"
#include "platform/win32/UniqueHandles.h"

namespace lumivane::win32 {

// The brightness panel: a pop-up beside the notification area, inside the work area of the
// monitor that holds the taskbar, drawn by hand into a memory bitmap (no flicker, no child
// controls whose messages carry pointers). It follows the app theme (light or dark), the DPI of
// its monitor and the system's message font. Made on Open, destroyed on Close; a click elsewhere
// or the loss of the foreground closes it too.
class Win32PanelView final : public IPanelView {
 public:
  Win32PanelView(HWND owner, HINSTANCE instance);
  ~Win32PanelView() override;
  Win32PanelView(const Win32PanelView&) = delete;
  Win32PanelView& operator=(const Win32PanelView&) = delete;

  bool Open(const PanelContent& content, PanelEvents events) override;
  void Show(const PanelContent& content) override;
  void Close() override;
  bool IsOpen() const override { return window_ != nullptr; }

  HWND Window() const { return window_; }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
  int Scale(int px) const { return MulDiv(px, static_cast<int>(dpi_), 96); }
  void LoadTheme();
  void LoadFont();
  // Sizes the window for its rows at the current DPI and puts it beside the notification area.
  void Place();
  void Paint(HDC dc, const RECT& client);
  int RowAt(int y) const;
  // The slider value under client x, 0..100.
  int ValueAt(int x) const;
  RECT Track(int row) const;
  void Slide(int row, int x);
  // Destroys the window, then tells the controller.
  void CloseByItself();

  HWND owner_ = nullptr;
  HINSTANCE instance_ = nullptr;
  HWND window_ = nullptr;
  PanelContent content_;
  PanelEvents events_;
  UINT dpi_ = 96;
  bool dark_ = false;
  UniqueGdiObj font_;
  int width_ = 0;
  int dragRow_ = -1;
  int dragValue_ = 0;
};

} // namespace lumivane::win32

#pragma once
#include <windows.h>

#include <string>

namespace lumivane::win32 {

// A small pop-up that shows a control's hint near the pointer. Our own window class rather than
// the common tooltip control: a tooltip is a top-level window whose messages carry pointers, so
// any process on the desktop could crash the program with one forged message; this window reads
// no message parameter at all.
class HintWindow {
 public:
  // Throws std::runtime_error when the window cannot be made.
  HintWindow(HWND owner, HINSTANCE instance);
  ~HintWindow();
  HintWindow(const HintWindow&) = delete;
  HintWindow& operator=(const HintWindow&) = delete;

  HWND Window() const { return window_; }
  // Shows text in font below the screen point at, kept on at's monitor; padding in pixels.
  void Show(const std::wstring& text, HFONT font, POINT at, int padding);
  void Hide();
  bool Shown() const;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

  HWND window_ = nullptr;
};

} // namespace lumivane::win32

#pragma once
#include <windows.h>

#include <shellapi.h>

#include <string>

#include "platform/Tray.h"
#include "platform/win32/UniqueHandles.h"

namespace lumivane::win32 {

// The notification-area icon of the main window. It owns its NOTIFYICONDATAW and the image it
// shows, draws what it is told and decides nothing.
class Win32Tray final : public ITray {
 public:
  static constexpr COLORREF kKeyColor = RGB(0x96, 0x36, 0xA7);

  // Callbacks arrive at window as kMsgTrayCallback.
  Win32Tray(HWND window, HINSTANCE instance);
  ~Win32Tray() override;
  Win32Tray(const Win32Tray&) = delete;
  Win32Tray& operator=(const Win32Tray&) = delete;

  // Tip := text; the image := text drawn in the small-icon size with the current text style.
  // A failed drawing keeps the previous image.
  void ShowText(const std::u16string& text, int fontHeight) override;
  void ShowApplicationIcon() override;
  // Visible means the shell accepted the icon; a refused add stays invisible, so asking again
  // later retries (the shell may start after the program).
  void SetVisible(bool visible) override;
  bool IsVisible() const override { return visible_; }

  // Font face and colour of the digits; Tahoma and FF8000 until told otherwise.
  void SetTextStyle(const std::wstring& fontName, COLORREF textColor);
  // The shell's "TaskbarCreated": a new notification area knows nothing of the icon.
  void OnTaskbarCreated() override;
  // Sends the current image to the shell again.
  bool Refresh() override;
  // Shell_NotifyIconGetRect; E_NOTIMPL (Wine) is told apart from a failure.
  RectResult IconRect(Rect& rect) override;

  HICON CurrentIcon() const { return icon_.get(); }
  const std::wstring& Tip() const { return tip_; }

  // Paints text into a new 32-bit icon of width x height: key-colour background made
  // transparent by the mask (keyed on the bottom-left pixel), opaque digits. Null on failure.
  static UniqueHicon CreateTextIcon(const std::wstring& text, const std::wstring& fontName, int fontHeight,
                                    COLORREF textColor, int width, int height);

  // For fitting the digits to the icon: the small-icon size for the DPI of window where the
  // system has per-monitor DPI (Windows 10 1607 on), else the system-wide size; and the width in
  // pixels of text in fontName at height as window's device context measures it.
  static SIZE SmallIconSizeFor(HWND window);
  static int TextWidth(HWND window, const std::wstring& fontName, int height, const std::wstring& text);

 private:
  void SetImage(UniqueHicon icon, const std::wstring& tip);
  bool Notify(DWORD message);

  HWND window_;
  HINSTANCE instance_;
  NOTIFYICONDATAW data_{};
  UniqueHicon icon_;
  std::wstring tip_;
  std::wstring fontName_ = L"Tahoma";
  COLORREF textColor_ = RGB(0xFF, 0x80, 0x00);
  bool visible_ = false;
};

} // namespace lumivane::win32

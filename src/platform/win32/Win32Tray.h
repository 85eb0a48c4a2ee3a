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
  // Callbacks arrive at window as kMsgTrayCallback.
  Win32Tray(HWND window, HINSTANCE instance);
  ~Win32Tray() override;
  Win32Tray(const Win32Tray&) = delete;
  Win32Tray& operator=(const Win32Tray&) = delete;

  // Tip := tip, the image := icon. While the icon is shown the shell must take the change
  // (NIM_MODIFY); when it refuses, the previous image stays and icon is not taken.
  bool SetIcon(IconHandle icon, const std::u16string& tip) override;
  void ShowApplicationIcon() override;
  // Visible means the shell accepted the icon; a refused add stays invisible, so asking again
  // later retries (the shell may start after the program).
  void SetVisible(bool visible) override;
  bool IsVisible() const override { return visible_; }
  bool Refresh() override;
  void OnTaskbarCreated() override;
  // Shell_NotifyIconGetRect; E_NOTIMPL (Wine) is NotImplemented.
  RectResult IconRect(Rect& rect) override;

  HICON CurrentIcon() const { return icon_.get(); }
  const std::wstring& Tip() const { return tip_; }

 private:
  // Shows icon; on a refused modify puts the previous image back and leaves icon with the caller.
  bool SetImage(UniqueHicon& icon, const std::wstring& tip);
  void Install(UniqueHicon icon, const std::wstring& tip); // the image and tip sent from now on
  bool Notify(DWORD message);

  HWND window_;
  HINSTANCE instance_;
  NOTIFYICONDATAW data_{};
  UniqueHicon icon_;
  std::wstring tip_;
  bool visible_ = false;
};

} // namespace lumivane::win32

#pragma once
#include <windows.h>

#include <vector>

#include "platform/PopupMenu.h"

namespace lumivane::win32 {

// The tray's popup menu, owned by window (the hidden main window). Popup builds a fresh menu,
// runs TrackPopupMenuEx's modal loop and destroys the menu again.
class Win32PopupMenu final : public IPopupMenu {
 public:
  explicit Win32PopupMenu(HWND window) : window_(window) {}

  // Hidden items are left out, "-" is a separator, ids must be positive.
  int Popup(const std::vector<MenuItem>& items, Point where) override;

 private:
  HWND window_;
};

} // namespace lumivane::win32

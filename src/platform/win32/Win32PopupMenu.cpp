#include "platform/win32/Win32PopupMenu.h"

#include "platform/win32/ChildWindowGuard.h"
#include "platform/win32/UniqueHandles.h"
#include "platform/win32/Win32Locale.h"

namespace lumivane::win32 {

int Win32PopupMenu::Popup(const std::vector<MenuItem>& items, Point where) {
  UniqueHmenu menu(::CreatePopupMenu());
  if (!menu) return kNoChoice;
  for (const MenuItem& item : items) {
    if (!item.visible) continue;
    if (item.caption == u"-") {
      ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
      continue;
    }
    if (item.id <= 0) continue;
    UINT flags = MF_STRING;
    if (item.checked) flags |= MF_CHECKED;
    if (!item.enabled) flags |= MF_GRAYED;
    ::AppendMenuW(menu.get(), flags, static_cast<UINT_PTR>(item.id), ToWide(item.caption).c_str());
  }
  // Without the foreground the menu would not close when the user clicks elsewhere.
  ::SetForegroundWindow(window_);
  const UINT align = ::GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
  ChildWindowGuard::ModalLoop loop(ChildWindowGuard::Takes::Posted);
  const int chosen = static_cast<int>(::TrackPopupMenuEx(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | align,
                                                         where.x, where.y, window_, nullptr));
  // Lets the menu close properly when the next click goes to another program.
  ::PostMessageW(window_, WM_NULL, 0, 0);
  return chosen > 0 ? chosen : kNoChoice;
}

} // namespace lumivane::win32

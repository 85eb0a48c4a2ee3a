#include "platform/win32/Win32Tray.h"

#include <cwchar>
#include <utility>

#include "platform/win32/ChildWindowGuard.h"
#include "platform/win32/Messages.h"
#include "platform/win32/Win32Host.h"
#include "platform/win32/Win32Locale.h"

namespace lumivane::win32 {

namespace {

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
  ShowApplicationIcon();
}

Win32Tray::~Win32Tray() {
  if (visible_) Notify(NIM_DELETE);
}

bool Win32Tray::SetIcon(IconHandle icon, const std::u16string& tip) {
  if (!icon) return false;
  UniqueHicon image(reinterpret_cast<HICON>(icon));
  if (SetImage(image, ToWide(tip))) return true;
  image.release(); // not taken: the caller still owns it
  return false;
}

void Win32Tray::ShowApplicationIcon() {
  UniqueHicon image = LoadApplicationIcon(instance_);
  if (!image) return;
  // Kept even when the shell refuses it, so that an icon added again later is the right one.
  if (!SetImage(image, kAppCaption)) Install(std::move(image), kAppCaption);
}

void Win32Tray::Install(UniqueHicon icon, const std::wstring& tip) {
  tip_ = tip;
  std::wcsncpy(data_.szTip, tip_.c_str(), std::size(data_.szTip) - 1);
  data_.szTip[std::size(data_.szTip) - 1] = L'\0';
  icon_ = std::move(icon);
  data_.hIcon = icon_.get();
}

bool Win32Tray::SetImage(UniqueHicon& icon, const std::wstring& tip) {
  // The shell keeps its own copy of the image, so the old one can go once the new one is there.
  // Not shown yet: SetVisible adds the icon with this image later.
  UniqueHicon old = std::move(icon_);
  std::wstring oldTip = tip_;
  Install(std::move(icon), tip);
  if (!visible_ || Notify(NIM_MODIFY)) return true;
  icon = std::move(icon_);
  Install(std::move(old), oldTip);
  return false;
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

ITray::RectResult Win32Tray::IconRect(Rect& rect) {
  NOTIFYICONIDENTIFIER id{};
  id.cbSize = sizeof id;
  id.hWnd = window_;
  id.uID = kTrayIconId;
  RECT r{};
  ChildWindowGuard::ModalLoop loop;
  const HRESULT hr = ::Shell_NotifyIconGetRect(&id, &r);
  if (hr == E_NOTIMPL) return RectResult::NotImplemented;
  if (hr != S_OK) return RectResult::Failed;
  rect = Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
  return RectResult::Ok;
}

bool Win32Tray::Notify(DWORD message) {
  // The shell is another process: while it answers, messages sent to this thread are served.
  ChildWindowGuard::ModalLoop loop;
  return ::Shell_NotifyIconW(message, &data_) != FALSE;
}

} // namespace lumivane::win32

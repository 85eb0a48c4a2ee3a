// The tray contract against the Win32 tray and icon painter. Under Wine a stand-in notification
// area takes the icon (Wine's shell tells no rectangle); on Windows the real one does.
#include "contract/TrayContract.h"

#include <windows.h>

#include <optional>

#include "FakeShellTray.h"
#include "Win32TestSupport.h"
#include "platform/win32/Messages.h"
#include "platform/win32/UniqueHandles.h"
#include "platform/win32/Win32Host.h"
#include "platform/win32/Win32IconPainter.h"
#include "platform/win32/Win32Tray.h"

namespace lumivane::contract {
namespace {

class Win32TrayBackend {
 public:
  Win32TrayBackend() {
    if (win32::UnderWine()) shell_.emplace();
  }

  std::unique_ptr<ITray> MakeTray() {
    return std::make_unique<win32::Win32Tray>(host_.Window(), ::GetModuleHandleW(nullptr));
  }
  IIconPainter& Painter() { return painter_; }
  bool IconAlive(IconHandle icon) const {
    ICONINFO info{};
    if (!::GetIconInfo(reinterpret_cast<HICON>(icon), &info)) return false;
    win32::UniqueGdiObj colour(info.hbmColor), mask(info.hbmMask);
    return true;
  }
  // Windows tells the rectangle only of an icon it holds.
  bool InShell() {
    if (shell_) return shell_->HoldsIcon();
    return IconRectOf(host_.Window());
  }
  void RestartShell() {
    if (shell_)
      shell_->Restart();
    else
      ForgetIcon();
  }
  // Windows refuses to modify an icon it does not hold.
  void RefuseChanges(bool refuse) {
    if (shell_)
      shell_->accept = !refuse;
    else if (refuse)
      ForgetIcon();
  }
  bool IconRectImplemented() const { return !win32::UnderWine(); }
  Size SmallIconSize() const { return {::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON)}; }

 private:
  static bool IconRectOf(HWND window) {
    NOTIFYICONIDENTIFIER id{};
    id.cbSize = sizeof id;
    id.hWnd = window;
    id.uID = win32::kTrayIconId;
    RECT r{};
    return ::Shell_NotifyIconGetRect(&id, &r) == S_OK;
  }
  // Takes the icon out of the notification area behind the tray's back.
  void ForgetIcon() {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = host_.Window();
    data.uID = win32::kTrayIconId;
    ::Shell_NotifyIconW(NIM_DELETE, &data);
  }

  win32::Win32Host host_{::GetModuleHandleW(nullptr)};
  std::optional<win32::FakeShellTray> shell_;
  win32::Win32IconPainter painter_;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, TrayContract, Win32TrayBackend);

} // namespace
} // namespace lumivane::contract
